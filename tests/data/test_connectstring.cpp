// Connection strings: what JoinOdbcString writes, SplitConnectString reads
// back as it was; double-byte characters are read whole; passwords are
// masked wherever a message shows a connection string.
#include <gtest/gtest.h>

#include "DataSet.h"
#include "DbTestUtil.h"
#include "FileSystem.h"
#include "OdbcConnectString.h"
#include "OdbcConnection.h"
#include "OdbcQuery.h"
#include "TestUtil.h"

using odbc::TKeyValues;

// Each table row: the pairs, the ODBC string they are written as, and (by the
// round trip) the pairs read back from it.
TEST(ConnectString, WhatIsJoinedSplitsBackAsItWas) {
    struct Case {
        TKeyValues kv;
        std::string joined;
    };
    const std::vector<Case> cases = {
        // a lone lead byte at the end of a value keeps the ';' after it
        {{{"DSN", "ab\x82"}, {"UID", "u"}}, "DSN=ab\x82;UID=u;"},
        {{{"X", "\x82"}, {"Y", "\x82="}}, "X=\x82;Y=\x82=;"},
        // control bytes and blanks at the ends are kept inside braces
        {{{"Database", "a\x01"}, {"UID", "\tu"}, {"PWD", " p "}}, "Database={a\x01};UID={\tu};PWD={ p };"},
        // a leading quote or brace, ';' and '}' characters
        {{{"A", "\"q\""}, {"B", "'s'"}, {"C", "{x}"}, {"D", "a;b"}}, "A={\"q\"};B={'s'};C={{x}}};D={a;b};"},
        // マ (83 7D) holds the byte of '}': it needs no braces, and inside them it stays single
        {{{"Database", "/tmp/データマート.db"}}, "Database=/tmp/データマート.db;"},
        {{{"PWD", "マ;}"}}, "PWD={マ;}}};"},
        {{{"PWD", "a;マ"}}, "PWD={a;マ};"},
        // the driver's name is always braced
        {{{"DRIVER", "SQLite3"}, {"DRIVER", "a}b"}, {"DRIVER", ""}}, "DRIVER={SQLite3};DRIVER={a}}b};DRIVER=;"},
        {{{"DRIVER", "x\x82"}}, "DRIVER=x\x82;"},
        {{{"K", std::string("n\0l", 3)}}, std::string("K=n\0l;", 6)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testutil::Hex(c.joined));
        EXPECT_EQ(odbc::JoinOdbcString(c.kv), c.joined);
        EXPECT_EQ(odbc::SplitConnectString(c.joined), c.kv);
    }
}

// The one value that cannot be written: braces needed, and a lone lead byte
// last, which would take the closing brace as its second byte.
TEST(ConnectString, ABracedValueEndingInALoneLeadByteIsRefused) {
    for (const char* v : {"a;b\x82", " x\x82", "{\x82"}) {
        try {
            odbc::JoinOdbcString({{"DSN", "d"}, {"PWD", v}});
            ADD_FAILURE() << testutil::Hex(v);
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(e.Message, "接続文字列の PWD の値が、2バイト文字の途中で終わっています。");
        }
    }
}

TEST(ConnectString, DoubleByteCharactersAreReadWhole) {
    const TKeyValues expected = {{"Database", "データマート"}, {"UID", "u"}};
    EXPECT_EQ(odbc::SplitConnectString("Database={データマート};UID=u"), expected);
    EXPECT_EQ(odbc::SplitConnectString("Database = データマート ; UID=u;"), expected);
    // the system's form quotes in '"'; a completed string reads back too
    odbc::TOdbcConnectParams p = odbc::ParseAdoConnectString("Provider=MSDASQL.1;DSN=d");
    p.PersistSecurityInfo = true;
    const std::string completed = odbc::CompletedAdoString("DSN=d;A={ x};B={'y'};C={マ;};PWD={p\"w};", p);
    EXPECT_EQ(completed, "Provider=MSDASQL.1;DSN=d;A=\" x\";B=\"'y'\";C=\"マ;\";PWD=\"p\"\"w\";");
    EXPECT_EQ(odbc::SplitConnectString(completed),
              (TKeyValues{{"Provider", "MSDASQL.1"}, {"DSN", "d"}, {"A", " x"}, {"B", "'y'"}, {"C", "マ;"}, {"PWD", "p\"w"}}));
}

TEST(ConnectString, PasswordsAreMaskedAndNothingElse) {
    struct Case {
        const char* s;
        const char* shown;
    } cases[] = {
        {"DRIVER={PostgreSQL Unicode};UID=zt;PWD=S3cret", "DRIVER={PostgreSQL Unicode};UID=zt;PWD=****"},
        {"Provider=MSDASQL.1;User ID=zt;Password=S3cret;Data Source=d", "Provider=MSDASQL.1;User ID=zt;Password=****;Data Source=d"},
        {"pwd=a;PASSWORD = b ; password=", "pwd=****;PASSWORD =****; password=****"},
        {"PWD={se;cr}}et};UID=u", "PWD=****;UID=u"},
        {"Password=\"se;\"\"cret\";UID=u", "Password=****;UID=u"},
        {"Password='se;cret'", "Password=****"},
        {"Extended Properties=\"DSN=a;PWD=inner\";User ID=u",
         "Extended Properties=\"DSN=a;PWD=****\";User ID=u"},
        {"X={DSN=a;Password={p;q}}}", "X={DSN=a;Password=****}"},
        // braces around a lone lead byte would not close: the masked inner string goes in quotes
        {"X={PWD=c;Y=d\x82", "X=\"PWD=****;Y=d\x82\""},
        {"PWD=表ソ;x=1", "PWD=****;x=1"},
        {"PWD", "PWD"},
        {"接続名", "接続名"},
        {"UDL:c:\\x.udl", "UDL:c:\\x.udl"},
        {"PWDX=1;APWD=2;Passwords=3", "PWDX=1;APWD=2;Passwords=3"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(odbc::MaskPasswords(c.s), c.shown) << c.s;
}

// The echo of a command line: the command word never hides a key, and a
// quoted word keeps its closing quote.
TEST(ConnectString, EveryPasswordOfACommandLineIsMasked) {
    struct Case {
        const char* s;
        const char* shown;
    } cases[] = {
        {"#Connect PWD=sekret3", "#Connect PWD=****"},
        {"#Connect \"Password=sekret8;DRIVER=SQLite3;Database=a.db\"", "#Connect \"Password=****;DRIVER=SQLite3;Database=a.db\""},
        {"#Set C = Password=sekret7;DSN=x", "#Set C = Password=****;DSN=x"},
        {"#Desc \"x;PWD=sekret5\"", "#Desc \"x;PWD=****\""},
        {"#Desc 'x;pwd = se\"\"k' y", "#Desc 'x;pwd =****' y"},
        {"#Connect \"DSN=d;PWD=se\"\"kret\"\"\";UID=u", "#Connect \"DSN=d;PWD=****\";UID=u"},
        {"#Connect pAsSwOrD\t= {se;cr}}et};UID=u", "#Connect pAsSwOrD\t=****;UID=u"},
        {"#Connect PASSWORD='se;cret' next", "#Connect PASSWORD=**** next"},
        {"#Connect DSN=d,PWD=s", "#Connect DSN=d,PWD=****"},
        {"#Connect X={DSN=a;Password=inner}", "#Connect X={DSN=a;Password=****}"},
        {"#Connect PWD=表ソ;x=1", "#Connect PWD=****;x=1"},
        {"#Print APWD=1 PWDX=2 Passwords=3 PWD", "#Print APWD=1 PWDX=2 Passwords=3 PWD"},
        {"#Print 表PWD=1", "#Print 表PWD=1"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(odbc::MaskPasswordsInLine(c.s), c.shown) << c.s;
}

// A database whose path holds マ (its second byte is the byte of '}') is
// reached through the real driver: the path is not cut at that byte.
TEST(ConnectString, APathWithTheByteOfABraceInACharacterReachesTheDriver) {
    const std::string file = testutil::TempFolder("connect-brace") + "データマート.sqlite";
    TOdbcConnection conn;
    conn.SetConnectionString("DRIVER=SQLite3;Database=" + file);
    conn.Open();
    TOdbcQuery q(&conn);
    q.SetParamCheck(false);
    q.SetSQL("create table t (n integer)");
    q.ExecSQL();
    conn.Close();
    EXPECT_TRUE(fs932::FileExists(file));
}
