// The saved-connections store and dialog, its prompts, and connecting by a
// saved name through the ADO driver to SQLite and PostgreSQL.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include "CP932Qt.h"
#include "DbTestUtil.h"
#include "FileSystem.h"
#include "Headless.h"
#include "KZNEditor.h"
#include "KZNMessageDlg.h"
#include "KZNTreeView.h"
#include "QtTestApp.h"
#include "SysUtils.h"
#include "TestUtil.h"
#include "U_ADOConnectStringsUtil.h"
#include "U_ADODriver.h"
#include "U_Dialog_ConnectString.h"
#include "U_Dialog_Login.h"
#include "U_Form_Connect.h"

namespace {

class Folder : public TDriverInterfaceProp {
public:
    void GetCurrentFolder(std::string& f) override { f = Path; }
    std::string Path;
};

// Answers the connection-string dialog with a fixed text ("" keeps what it was given).
class FixedDataLink : public IDataLinkPrompt {
public:
    std::string Answer;
    int Calls = 0;
    std::string Edit(void*, const std::string& s) override {
        ++Calls;
        return Answer.empty() ? s : Answer;
    }
};

std::string Cell(QTableWidget* g, int r, int c) {
    auto* item = g->item(r, c);
    return item ? cp932::FromQString(item->text()) : std::string("(none)");
}

// The visible rows of the key/value grid, "key=value" each.
std::vector<std::string> GridRows(QTableWidget* g) {
    std::vector<std::string> rows;
    for (int r = 0; r < g->rowCount(); ++r)
        if (!g->isRowHidden(r)) rows.push_back(Cell(g, r, 0) + "=" + Cell(g, r, 1));
    return rows;
}

std::vector<std::string> CheckList(QListWidget* l) {
    std::vector<std::string> items;
    for (int i = 0; i < l->count(); ++i)
        items.push_back((l->item(i)->checkState() == Qt::Checked ? "[x]" : "[ ]") +
                        cp932::FromQString(l->item(i)->text()));
    return items;
}

std::string Rm(const std::string& path) { return "rm -rf '" + fs932::ToNative(path) + "'"; }

struct ConnectFormTest : ::testing::Test, testutil::WithApp {
    Folder Prop;
    FixedDataLink DataLink;
    std::vector<std::string> Messages;
    std::string File = TForm_Connect::DefaultFileName();
    testutil::THookScope hooks;

    ConnectFormTest() {
        Clean();
        Prop.Path = testutil::TempFolder("connect-client");
        hooks.Set(SetMessageDlgPresenter, [this](const std::string& t, TMsgDlgType) { Messages.push_back(t); });
        hooks.Keep(TConnectPrompts::DataLinkPrompt);
        hooks.Keep(TConnectPrompts::LoginPrompt);
        TConnectPrompts::DataLinkPrompt = &DataLink;
    }
    ~ConnectFormTest() override {
        hooks.Restore();
        Clean();
    }
    void Clean() {
        EXPECT_EQ(std::system((Rm(File) + "*; " + Rm(fs932::ProgramFolder() + "ObjectTree")).c_str()), 0);
    }
    // A store with the given nodes: "name|k=v;k=v|trees", saved.
    void Write(std::initializer_list<const char*> nodes, const std::string& selected = "") {
        TForm_Connect f(nullptr, &Prop);
        for (const char* spec : nodes) {
            std::string s = spec;
            size_t a = s.find('|'), b = s.find('|', a + 1);
            TTreeNodeEx* n = f.ConnectTree->Add(nullptr, s.substr(0, a));
            TADOConnectStringsUtil::StringToList(s.substr(a + 1, b - a - 1), n->GetStringList());
            if (b != std::string::npos) n->GetStringList02()->SetText(s.substr(b + 1));
        }
        if (!selected.empty()) f.SelectNode(selected);
        f.SaveToFile();
    }
};

}  // namespace

TEST_F(ConnectFormTest, WithoutAFileTheStoreIsEmpty) {
    TForm_Connect f(nullptr, &Prop);
    EXPECT_EQ(f.GetCount(), 0);
    EXPECT_EQ(f.NewConnectionName(), "新規接続");
    EXPECT_EQ(cp932::FromQString(f.windowTitle()), fs932::ProgramBaseName() + " - ADO接続情報");
    EXPECT_EQ(f.FileName(), fs932::ProgramFolder() + fs932::ProgramBaseName() + ".Connection");
    std::string name = "x";
    f.GetSelectedName(name);
    EXPECT_EQ(name, "");
    EXPECT_TRUE(Messages.empty());
}

TEST_F(ConnectFormTest, NewConnectionNames) {
    struct Case {
        std::vector<std::string> names;
        std::string next;
    } cases[] = {
        {{"新規接続"}, "新規接続1"},
        {{"新規接続", "新規接続5"}, "新規接続6"},
        {{"新規接続5", "新規接続"}, "新規接続6"},
        {{"新規接続x"}, "新規接続"},
        {{"新規接続", "新規接続abc", "新規接続2"}, "新規接続3"},
        {{"接続", "新規接続 "}, "新規接続1"},
    };
    for (const auto& c : cases) {
        TForm_Connect f(nullptr, &Prop);
        TTreeNodeEx* parent = nullptr;
        for (const auto& n : c.names) parent = f.ConnectTree->Add(parent, n);  // nested nodes count too
        EXPECT_EQ(f.NewConnectionName(), c.next) << c.names.back();
    }
}

TEST_F(ConnectFormTest, ANewConnectionIsEditedAndKeptOnlyWithLines) {
    TForm_Connect f(nullptr, &Prop);
    DataLink.Answer = "Provider=MSDASQL.1;DRIVER={SQLite3};Database=a.db;";
    f.Action_CreateRootNodeExecute();
    f.Action_CreateRootNodeExecute();
    ASSERT_EQ(f.GetCount(), 2);
    EXPECT_EQ(f.ConnectTree->Root(1)->Text(), "新規接続1");
    EXPECT_EQ(f.Selected(), f.ConnectTree->Root(1));
    EXPECT_TRUE(f.ConnectTree->IsEditing());
    EXPECT_EQ(GridRows(f.StringGrid1),
              (std::vector<std::string>{"Provider=MSDASQL.1", "DRIVER={SQLite3}", "Database=a.db"}));

    DataLink.Answer.clear();  // cancelled: the empty string comes back
    f.Action_CreateRootNodeExecute();
    EXPECT_EQ(f.GetCount(), 2);
    EXPECT_EQ(DataLink.Calls, 3);
}

TEST_F(ConnectFormTest, SavedAndReadBackByName) {
    Write({"SQLite|DRIVER={SQLite3};Database=a.db|\"a\",\"b\"", " 本番 |DSN=prod|", "本番|DSN=last|"}, "SQLite");
    TForm_Connect f(nullptr, &Prop);
    EXPECT_EQ(f.GetCount(), 3);
    std::string s;
    f.GetSelectedName(s);
    EXPECT_EQ(s, "SQLite");
    f.GetConnectString("sqlite", s);
    EXPECT_EQ(s, "DRIVER={SQLite3};Database=a.db;");
    f.GetConnectString("  本番", s);  // trimmed, ignoring case, the last match wins
    EXPECT_EQ(s, "DSN=last;");
    f.GetConnectString("none", s);
    EXPECT_EQ(s, "");
    f.GetObjectTreeNames("SQLITE", s);
    EXPECT_EQ(s, "\"a\",\"b\"\r\n");
    EXPECT_EQ(f.FindNode("none"), nullptr);
    EXPECT_EQ(f.FindNode("本番"), f.ConnectTree->Root(2));

    // the selection is what the file remembers
    f.SelectNode(std::string("本番"));
    f.SaveToFile();
    TForm_Connect g(nullptr, &Prop);
    g.GetSelectedName(s);
    EXPECT_EQ(s, "本番");
}

TEST_F(ConnectFormTest, DuplicateNamesGetMarked) {
    TForm_Connect f(nullptr, &Prop);
    f.ConnectTree->Add(nullptr, "Test");
    f.ConnectTree->Add(nullptr, "test[Duplicate]");
    TTreeNodeEx* n = f.ConnectTree->Add(nullptr, "other");
    n->setData(0, Qt::EditRole, QStringLiteral(" TEST "));  // the user's edit
    EXPECT_EQ(n->Text(), " TEST [Duplicate]");
    n->setData(0, Qt::EditRole, QStringLiteral("test"));
    EXPECT_EQ(n->Text(), "test[Duplicate][Duplicate]");
    n->setData(0, Qt::EditRole, QStringLiteral("own"));
    n->setData(0, Qt::EditRole, QStringLiteral("own"));  // its own name does not count
    EXPECT_EQ(n->Text(), "own");
}

TEST_F(ConnectFormTest, ObjectTreeChoicesOfAConnection) {
    for (const char* d : {"ObjectTree/Tables", "ObjectTree/B C", "ObjectTree/Views"})
        ASSERT_TRUE(fs932::ForceDirectories(fs932::ProgramFolder() + d));
    Write({"db|DSN=x|\"gone\",\"b c\"", "empty||\"Views\""}, "db");
    TForm_Connect f(nullptr, &Prop);
    EXPECT_EQ(CheckList(f.ObjectTreeCheckListBox),
              (std::vector<std::string>{"[x]B C", "[ ]Tables", "[ ]Views", "[x]gone"}));
    f.ObjectTreeCheckListBox->item(1)->setCheckState(Qt::Checked);
    f.SaveToFile();
    std::string s;
    f.GetObjectTreeNames("db", s);
    EXPECT_EQ(s, "\"B C\",\"Tables\",\"gone\"\r\n");

    // moving to a connection without a connection string shows its own choice, not the last one's
    f.SelectNode(std::string("empty"));
    EXPECT_EQ(CheckList(f.ObjectTreeCheckListBox),
              (std::vector<std::string>{"[ ]B C", "[ ]Tables", "[x]Views"}));
    EXPECT_TRUE(GridRows(f.StringGrid1).empty());
    f.SelectNode(std::string("db"));
    f.GetObjectTreeNames("empty", s);
    EXPECT_EQ(s, "\"Views\"\r\n");
}

TEST_F(ConnectFormTest, TheScriptOfAConnectionIsKept) {
    Write({"a|DSN=a|", "b|DSN=b|"}, "a");
    {
        TForm_Connect f(nullptr, &Prop);
        f.KZNEditor1->Lines().SetText("SET 日付 = 1\r\n\r\nSELECT 2\r\n");
        f.SelectNode(std::string("b"));
        EXPECT_EQ(f.KZNEditor1->Lines().Count(), 0);
        f.SaveToFile();
    }
    TForm_Connect g(nullptr, &Prop);
    EXPECT_EQ(g.FindNode("a")->GetStringList01()->Items, (std::vector<std::string>{"SET 日付 = 1", "", "SELECT 2"}));
    g.SelectNode(std::string("a"));
    EXPECT_EQ(g.KZNEditor1->Lines().GetText(), "SET 日付 = 1\r\n\r\nSELECT 2\r\n");
}

TEST_F(ConnectFormTest, ActionsFollowTheSelection) {
    Write({"a|DSN=a|", "b|DSN=b|", "c|DSN=c|"});
    TForm_Connect f(nullptr, &Prop);
    auto state = [&] {
        std::string s;
        for (QAction* a : {f.Action_Connect, f.Action_CreateRootNode, f.Action_GetMoreDetail, f.Action_PlaceUp,
                           f.Action_PlaceDown, f.Action_UDLOpen, f.Action_WEdit, f.Action_TextChange, f.Action_Save,
                           f.Action_Delete, f.Action_Cancel})
            s += a->isEnabled() ? '1' : '0';
        return s;
    };
    EXPECT_EQ(state(), "01000100101");
    f.SelectNode(std::string("a"));
    EXPECT_EQ(state(), "11101111111");
    f.SelectNode(std::string("b"));
    EXPECT_EQ(state(), "11111111111");
    f.Action_PlaceDownExecute();
    EXPECT_EQ(state(), "11110111111");
    EXPECT_EQ(f.ConnectTree->Root(2)->Text(), "b");
    f.Action_PlaceUpExecute();
    f.Action_PlaceUpExecute();
    EXPECT_EQ(f.ConnectTree->Root(0)->Text(), "b");
    EXPECT_EQ(state(), "11101111111");
    f.Action_DeleteExecute();
    EXPECT_EQ(f.GetCount(), 2);
    EXPECT_EQ(f.FindNode("b"), nullptr);
}

TEST_F(ConnectFormTest, EditingShowsTheNewLines) {
    Write({"a|DSN=a|"}, "a");
    TForm_Connect f(nullptr, &Prop);
    DataLink.Answer = "Provider=MSDASQL.1;Data Source=b;User ID=u;";
    f.Action_WEditExecute();
    EXPECT_EQ(GridRows(f.StringGrid1),
              (std::vector<std::string>{"Provider=MSDASQL.1", "Data Source=b", "User ID=u"}));
    std::string s;
    f.GetConnectString("a", s);
    EXPECT_EQ(s, "Provider=MSDASQL.1;Data Source=b;User ID=u;");
}

TEST_F(ConnectFormTest, UdlImportAsksAgainForAMissingFile) {
    Write({"conn.udl|DSN=a|"});
    std::string udl = Prop.Path + "conn.udl";
    std::u16string text = u"[oledb]\r\n; Everything after this line is an OLE DB initstring\r\n"
                          u"Provider=MSDASQL.1;Data Source=\"x;y\";User ID=u\r\n";
    std::string bytes("\xFF\xFE", 2);
    for (char16_t c : text) bytes += std::string{static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    ASSERT_TRUE(fs932::WriteFileAtomic(udl, bytes));

    TForm_Connect f(nullptr, &Prop);
    std::vector<std::string> asked;
    f.OnChooseFile = [&](const std::string& title, const std::string& folder, std::string& name) {
        asked.push_back(title + "|" + (folder == Prop.Path ? "client" : folder));
        name = asked.size() == 1 ? Prop.Path + "missing.udl" : udl;
        return true;
    };
    f.Action_UDLOpenExecute();
    EXPECT_EQ(asked, (std::vector<std::string>{"UDLファイルを読み込みます|client",
                                                "ファイルが見つかりません。UDLファイルを指定してください|client"}));
    ASSERT_EQ(f.GetCount(), 2);
    TTreeNodeEx* n = f.ConnectTree->Root(1);
    EXPECT_EQ(n->Text(), "conn.udl[Duplicate]");
    EXPECT_EQ(f.Selected(), n);
    EXPECT_EQ(n->GetStringList()->Items,
              (std::vector<std::string>{"Provider=MSDASQL.1", "Data Source=\"x;y\"", "User ID=u"}));

    f.OnChooseFile = [](const std::string&, const std::string&, std::string&) { return false; };
    f.Action_UDLOpenExecute();
    EXPECT_EQ(f.GetCount(), 2);
}

TEST_F(ConnectFormTest, ADamagedFileIsKeptAsideAndReportedOnce) {
    std::string good = "A\x07" "Focused=False\x07Selected=True\x07StringList=DSN=a\x06\r\n"
                       "B\x07StringList=DSN=b\x06\r\n";
    std::string damaged = good + "\xA0\xA0" "C\x06\r\n";
    ASSERT_TRUE(fs932::WriteFileAtomic(File, damaged));
    {
        TForm_Connect f(nullptr, &Prop);
        EXPECT_EQ(f.GetCount(), 2);
        std::string s;
        f.GetConnectString("b", s);
        EXPECT_EQ(s, "DSN=b;");
    }
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0], "ファイルのロードに失敗しました。[" + File + "]\r\n読み込めた接続情報で続けます。\r\n"
                           "元のファイルは [" + File + ".bad] に残しました。");
    std::string kept;
    ASSERT_TRUE(fs932::ReadFile(File + ".bad", kept));
    EXPECT_EQ(kept, damaged);

    // the store now loads what could be read, and nobody is told again
    TForm_Connect g(nullptr, &Prop);
    EXPECT_EQ(g.GetCount(), 2);
    std::string name;
    g.GetSelectedName(name);
    EXPECT_EQ(name, "A");
    EXPECT_EQ(Messages.size(), 1u);

    // a second damage keeps the first damaged file too
    ASSERT_TRUE(fs932::WriteFileAtomic(File, "X\x07Selected=yes\x06"));
    TForm_Connect h(nullptr, &Prop);
    EXPECT_EQ(h.GetCount(), 1);
    EXPECT_EQ(Messages.size(), 2u);
    ASSERT_TRUE(fs932::ReadFile(File + ".bad", kept));
    EXPECT_EQ(kept, damaged);
    ASSERT_TRUE(fs932::ReadFile(File + ".bad2", kept));
    EXPECT_EQ(kept, "X\x07Selected=yes\x06");
}

TEST_F(ConnectFormTest, ConnectionsAfterANulAreKeptAndThePrivateModeStays) {
    auto rec = [](const char* name, const char* dsn) {
        return std::string(name) + "\x07StringList=DSN=" + dsn + "\x06\r\n";
    };
    const std::string damaged = rec("A", "a") + std::string(1, '\0') + rec("B", "b") + rec("C", "c");
    ASSERT_TRUE(fs932::WriteFileAtomic(File, damaged));
    ASSERT_EQ(chmod(fs932::ToNative(File).c_str(), 0600), 0);
    auto mode = [](const std::string& f) {
        struct stat st;
        return stat(fs932::ToNative(f).c_str(), &st) == 0 ? st.st_mode & 0777 : 0u;
    };
    {
        TForm_Connect f(nullptr, &Prop);
        EXPECT_EQ(f.GetCount(), 1);
        f.SaveToFile();  // as the driver does after a connect
    }
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_NE(Messages[0].find("[" + File + ".bad]"), std::string::npos) << Messages[0];
    std::string kept;
    ASSERT_TRUE(fs932::ReadFile(File + ".bad", kept));
    EXPECT_EQ(kept, damaged);
    EXPECT_EQ(mode(File + ".bad"), 0600u);
    EXPECT_EQ(mode(File), 0600u);
    std::string now;
    ASSERT_TRUE(fs932::ReadFile(File, now));
    EXPECT_EQ(now.find('\0'), std::string::npos);

    // a store made from nothing is private too
    Clean();
    Write({"n|DSN=n;PWD=secret|"});
    EXPECT_EQ(mode(File), 0600u);
}

TEST_F(ConnectFormTest, TheSameDamageKeptBeforeIsNotToldAgain) {
    // the same damage kept by an earlier run is not told again
    const std::string damaged = std::string("A\x06\0B\x06", 6);
    ASSERT_TRUE(fs932::WriteFileAtomic(File + ".bad", damaged));
    ASSERT_TRUE(fs932::WriteFileAtomic(File, damaged));
    {
        TForm_Connect f(nullptr, &Prop);
        EXPECT_EQ(f.GetCount(), 1);
    }
    EXPECT_TRUE(Messages.empty());
    EXPECT_FALSE(fs932::FileExists(File + ".bad2"));
    std::string now;
    ASSERT_TRUE(fs932::ReadFile(File, now));
    EXPECT_EQ(now.find('\0'), std::string::npos);
    EXPECT_EQ(now.substr(0, 2), "A\x07");
}

TEST_F(ConnectFormTest, AnExplicitSaveThatCannotWriteTellsTheUser) {
    ASSERT_TRUE(fs932::CreateDir(File));  // a folder where the file should be
    TForm_Connect f(nullptr, &Prop);
    f.ConnectTree->Add(nullptr, "a");
    EXPECT_NO_THROW(f.SaveToFile());  // the driver's save skips an unwritable file
    EXPECT_TRUE(Messages.empty());
    EXPECT_FALSE(f.Save());
    EXPECT_EQ(Messages, std::vector<std::string>{"ファイルの保存に失敗しました。[" + File + "]"});
    f.Action_Save->trigger();
    EXPECT_EQ(Messages.size(), 2u);
}

TEST_F(ConnectFormTest, KeysAndButtonsCloseTheDialog) {
    Write({"a|DSN=a|", "b|DSN=b|"}, "b");
    struct Case {
        const char* how;
        int result;
    } cases[] = {{"escape", QDialog::Rejected}, {"enter", QDialog::Accepted}, {"cancel", QDialog::Rejected},
                 {"connect", QDialog::Accepted}, {"double click", QDialog::Accepted}};
    for (const auto& c : cases) {
        TForm_Connect f(nullptr, &Prop);
        std::string how = c.how;
        testutil::AnswerModal<TForm_Connect>([how](TForm_Connect* d) {
            EXPECT_EQ(d->PageControl1->currentIndex(), 0);
            EXPECT_FALSE(d->PageControl1->isTabVisible(1));
            if (how == "escape" || how == "enter") {
                QKeyEvent k(QEvent::KeyPress, how == "escape" ? Qt::Key_Escape : Qt::Key_Return, Qt::NoModifier);
                QApplication::sendEvent(how == "escape" ? static_cast<QWidget*>(d) : d->ConnectTree, &k);
            } else if (how == "cancel") {
                d->Button_Cancel->click();
            } else if (how == "connect") {
                d->Button_Connect->click();
            } else {
                emit d->ConnectTree->itemDoubleClicked(d->Selected(), 0);
            }
        });
        EXPECT_EQ(f.exec(), c.result) << c.how;
    }
    EXPECT_TRUE(Messages.empty());
}

TEST_F(ConnectFormTest, ScreenshotOfTheDialog) {
    for (const char* d : {"ObjectTree/Tables", "ObjectTree/Views"})
        ASSERT_TRUE(fs932::ForceDirectories(fs932::ProgramFolder() + d));
    Write({"開発用 SQLite|Provider=MSDASQL.1;DRIVER={SQLite3};Database=C:\\data\\開発.db|\"Tables\"",
           "本番サーバ (PostgreSQL)|Provider=MSDASQL.1;DRIVER={PostgreSQL Unicode};SERVER=db01;PORT=5432;"
           "DATABASE=sales;User ID=operator;Password=secret|\"Tables\",\"Views\""},
          "本番サーバ (PostgreSQL)");
    TForm_Connect f(nullptr, &Prop);
    f.resize(720, 420);
    f.show();
    QApplication::processEvents();
    const char* tmp = std::getenv("ZINTAVOR_TEST_TMP");
    std::string dir = (tmp ? std::string(tmp) + "/.." : std::string("/tmp")) + "/screenshots";
    QDir().mkpath(QString::fromStdString(dir));
    QString png = QString::fromStdString(dir + "/connect_dialog.png");
    ASSERT_TRUE(f.grab().save(png));
    EXPECT_EQ(GridRows(f.StringGrid1).size(), 7u);
    f.hide();
}

// --- the two prompts ---------------------------------------------------------------

TEST(LoginDialog, AsksForUserAndPassword) {
    testutil::App();
    TDialog_Login dialog;
    testutil::AnswerModal<TDialog_Login>([](TDialog_Login* d) {
        EXPECT_EQ(d->Edit_UserName->text(), QStringLiteral("scott"));
        EXPECT_EQ(d->Edit_Password->echoMode(), QLineEdit::Password);
        d->Edit_Password->setText(QString::fromUtf8(u8"秘密"));
        d->Button_OK->click();
    });
    std::string user = "scott", password;
    EXPECT_TRUE(dialog.Execute(user, password));
    EXPECT_EQ(user, "scott");
    EXPECT_EQ(password, "秘密");

    TDialog_Login again;
    testutil::AnswerModal<TDialog_Login>([](TDialog_Login* d) {
        d->Edit_UserName->setText(QStringLiteral("other"));
        d->Button_Cancel->click();
    });
    EXPECT_FALSE(again.Execute(user, password));
    EXPECT_EQ(user, "scott");  // cancelled: unchanged
}

TEST(ConnectStringDialog, ListsTheDriverManagersDriversAndEditsKeys) {
    testutil::App();
    TDialog_ConnectString dialog;
    std::vector<std::string> drivers;
    for (int i = 0; i < dialog.Combo_Driver->count(); ++i)
        drivers.push_back(cp932::FromQString(dialog.Combo_Driver->itemText(i)));
    EXPECT_NE(std::find(drivers.begin(), drivers.end(), "SQLite3"), drivers.end());
    EXPECT_NE(std::find(drivers.begin(), drivers.end(), "PostgreSQL Unicode"), drivers.end());

    dialog.SetConnectionString("Provider=MSDASQL.1;Extended Properties=\"a;b\";Data Source=old;");
    EXPECT_EQ(dialog.Grid_Values->rowCount(), 3);
    EXPECT_EQ(dialog.GetConnectionString(), "Provider=MSDASQL.1;Extended Properties=\"a;b\";Data Source=old;");
    dialog.ChooseDriver("SQLite3");
    dialog.SetValue("database", "x.db");
    dialog.SetValue("Database", "y.db");
    EXPECT_EQ(dialog.GetConnectionString(), "Provider=MSDASQL.1;Extended Properties=\"a;b\";DRIVER={SQLite3};database=y.db;");
    dialog.ChooseDataSource("dsn1");
    EXPECT_EQ(dialog.GetConnectionString(), "Provider=MSDASQL.1;Extended Properties=\"a;b\";database=y.db;Data Source=dsn1;");
    EXPECT_EQ(cp932::FromQString(dialog.Edit_ConnectString->text()), dialog.GetConnectionString());
}

TEST(ConnectStringDialog, ReturnsTheEditOrWhatItWasGiven) {
    testutil::App();
    IDataLinkPrompt& prompt = TDialog_ConnectString::Prompt();
    testutil::AnswerModal<TDialog_ConnectString>([](TDialog_ConnectString* d) {
        int i = d->Combo_Driver->findText(QStringLiteral("SQLite3"));
        ASSERT_GT(i, 0);
        d->Combo_Driver->setCurrentIndex(i);
        emit d->Combo_Driver->activated(i);
        d->SetValue("Database", "開発.db");
        d->Button_OK->click();
    });
    EXPECT_EQ(prompt.Edit(nullptr, "Provider=MSDASQL.1;"), "Provider=MSDASQL.1;DRIVER={SQLite3};Database=開発.db;");

    testutil::AnswerModal<TDialog_ConnectString>([](TDialog_ConnectString* d) {
        d->SetValue("DRIVER", "{other}");
        d->Button_Cancel->click();
    });
    EXPECT_EQ(prompt.Edit(nullptr, "DSN=x;"), "DSN=x;");
}

// --- connecting by a saved name --------------------------------------------------

namespace {

enum class Db { SQLite, PostgreSQL };

struct ConnectByNameTest : ConnectFormTest, ::testing::WithParamInterface<Db> {
    TADODriver Driver;
    std::string ConnStr;
    void SetUp() override {
        if (GetParam() == Db::PostgreSQL) {
            DBTEST_REQUIRE_PG();
            ConnStr = dbtest::PgConn();
        } else {
            ConnStr = dbtest::SqliteConn("byname");
        }
        Driver.SetClientProp(Prop);
        TForm_Connect::PlugInto(Driver);
        DataLink.Answer.clear();
        TConnectPrompts::DataLinkPrompt = &DataLink;
    }
    std::string Query(const std::string& sql) {
        std::unique_ptr<TDataSet> ds;
        std::string msg;
        Driver.Execute(nullptr, sql, TSQLKind::Query, ds, msg);
        return msg.substr(0, msg.find(" ("));
    }
    std::string Description() {
        std::string s;
        Driver.GetDescription(s);
        return s;
    }
};

std::string DbName(const ::testing::TestParamInfo<Db>& i) { return i.param == Db::SQLite ? "SQLite" : "PostgreSQL"; }

}  // namespace

INSTANTIATE_TEST_SUITE_P(Both, ConnectByNameTest, ::testing::Values(Db::SQLite, Db::PostgreSQL), DbName);

TEST_P(ConnectByNameTest, ConnectsByASavedNameAndRemembersIt) {
    {
        TForm_Connect f(nullptr, &Prop);
        TTreeNodeEx* other = f.ConnectTree->Add(nullptr, "別の接続");
        other->GetStringList()->Add("DSN=none");
        TTreeNodeEx* n = f.ConnectTree->Add(nullptr, "試験用");
        TADOConnectStringsUtil::StringToList(ConnStr, n->GetStringList());
        n->GetStringList02()->SetText("\"Tables\"");
        f.SelectNode(other);
        f.SaveToFile();
    }
    EXPECT_EQ(Description(), "");
    ASSERT_TRUE(Driver.Connect(" 試験用 "));
    EXPECT_TRUE(Driver.IsConnected());
    EXPECT_EQ(Query("select 1"), "結果:1件");
    EXPECT_EQ(Description(), " [ 試験用 ] ");
    std::string trees;
    Driver.GetObjectTreeNames(trees);
    EXPECT_EQ(trees, "\"Tables\"\r\n");

    // the store now names it as the current connection
    TForm_Connect f(nullptr, &Prop);
    std::string name;
    f.GetSelectedName(name);
    EXPECT_EQ(name, "試験用");
    ASSERT_TRUE(Driver.Reconnect());
    EXPECT_EQ(Query("select 2"), "結果:1件");

    EXPECT_THROW(Driver.Connect("ない接続"), Exception);
    EXPECT_FALSE(Driver.IsConnected());
}

TEST_P(ConnectByNameTest, ConnectsThroughTheDialog) {
    {
        TForm_Connect f(nullptr, &Prop);
        TTreeNodeEx* n = f.ConnectTree->Add(nullptr, "選択する接続");
        TADOConnectStringsUtil::StringToList(ConnStr, n->GetStringList());
        f.ConnectTree->Add(nullptr, "もう一つ")->GetStringList()->Add("DSN=none");
        f.SaveToFile();
    }
    testutil::AnswerModal<TForm_Connect>([](TForm_Connect* d) {
        d->SelectNode(d->FindNode("選択する接続"));
        d->Button_Connect->click();
    });
    ASSERT_TRUE(Driver.ConnectWithDialog());
    EXPECT_EQ(Description(), " [ 選択する接続 ] ");
    EXPECT_EQ(Query("select 1"), "結果:1件");

    testutil::AnswerModal<TForm_Connect>([](TForm_Connect* d) { d->Button_Cancel->click(); });
    EXPECT_FALSE(Driver.ConnectWithDialog());
    EXPECT_TRUE(Messages.empty());
}

TEST_P(ConnectByNameTest, MoreDetailComesFromTheDriver) {
    Write({"db|x|"}, "db");
    {
        TForm_Connect f(nullptr, &Prop);
        TADOConnectStringsUtil::StringToList(ConnStr, f.FindNode("db")->GetStringList());
        f.SaveToFile();
    }
    TForm_Connect f(nullptr, &Prop);
    size_t before = f.Selected()->GetStringList()->Items.size();
    // without both a user and a password the trial connection asks for them
    bool asked = false;
    testutil::AnswerModal<TDialog_Login>([&](TDialog_Login* d) {
        asked = true;
        d->Button_OK->click();
    });
    f.Action_GetMoreDetailExecute();
    EXPECT_TRUE(asked);
    std::vector<std::string> rows = GridRows(f.StringGrid1);
    EXPECT_GE(rows.size(), before);
    EXPECT_EQ(rows, f.Selected()->GetStringList()->Items);
}

TEST(ConnectByNamePg, TheLoginPromptAsksBeforeConnecting) {
    DBTEST_REQUIRE_PG();
    testutil::App();
    // the system's form of the string: User ID and Password switch the prompt on
    std::string conn = sys::StringReplaceAll(sys::StringReplaceAll(dbtest::PgConn(), "UID=", "User ID="), "PWD=", "Password=");
    TADODriver driver;
    Folder prop;
    driver.SetClientProp(prop);
    testutil::THookScope hooks;
    hooks.Keep(TConnectPrompts::LoginPrompt);
    TConnectPrompts::LoginPrompt = &TDialog_Login::Prompt();
    std::string asked;
    testutil::AnswerModal<TDialog_Login>([&](TDialog_Login* d) {
        asked = cp932::FromQString(d->Edit_UserName->text());
        d->Button_OK->click();
    });
    EXPECT_TRUE(driver.ConnectByConnectionString(conn, "pg"));
    hooks.Restore();
    EXPECT_EQ(asked, "zintavor");
    EXPECT_TRUE(driver.IsConnected());
}

// A failed connect asks for the user and the password once more. Cancelled,
// the error still says why the driver refused; without a display nobody is
// asked at all, before or after the first try.
TEST(ConnectLogin, ACancelledRetryKeepsTheDriversMessage) {
    testutil::App();
    const std::string dir = testutil::TempFolder("login-retry");
    ASSERT_FALSE(dir.empty());
    struct Case {
        const char* Name;
        bool NoDisplay;
        std::string Connection;
        int Shown;                       // login dialogs shown (each cancelled)
        std::vector<std::string> Lines;  // on the error output
    };
    const std::string missing = "DRIVER=SQLite3;Database=" + dir + "missing/db.sqlite";
    const std::string declined = "ログイン（ユーザー名とパスワードの入力）：画面がないため、キャンセルしました。";
    const std::vector<Case> cases = {
        {"window", false, missing, 1, {}},
        {"nodisplay", true, missing, 0, {declined}},
        // "User ID" and "Password" ask before the first try, but not without a display
        {"nodisplay-user", true, missing + ";User ID=u;Password=p", 0, {declined}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        std::vector<std::string> lines;
        testutil::THookScope hooks;
        hooks.Set(headless::SetErrorLineWriter, [&](const std::string& t) { lines.push_back(t); });
        hooks.Set(headless::SetNoDisplay, c.NoDisplay);
        hooks.Keep(TConnectPrompts::LoginPrompt);
        int shown = 0;
        QTimer answer;
        answer.setInterval(5);
        QObject::connect(&answer, &QTimer::timeout, [&] {
            if (auto* d = dynamic_cast<TDialog_Login*>(QApplication::activeModalWidget())) {
                ++shown;
                d->Button_Cancel->click();
            }
        });
        answer.start();
        TADODriver driver;
        Folder prop;
        driver.SetClientProp(prop);
        TConnectPrompts::LoginPrompt = &TDialog_Login::Prompt();
        std::string error;
        try {
            driver.ConnectByConnectionString(c.Connection, "x");
        } catch (const std::exception& e) {
            error = e.what();
        }
        hooks.Restore();
        headless::ResetFailures();
        EXPECT_NE(error.find("[SQLite]connect failed"), std::string::npos) << error;
        EXPECT_NE(error.find("ログインがキャンセルされました。"), std::string::npos) << error;
        EXPECT_EQ(shown, c.Shown);
        EXPECT_EQ(lines, c.Lines);
        EXPECT_FALSE(driver.IsConnected());
    }
}

// Another store (another copy of the program) saved after this one read the
// file: what this store added, changed or deleted is written as it has it,
// every other connection as the file holds it, and the current connection is
// this store's choice only when it chose one.
TEST_F(ConnectFormTest, ASaveKeepsTheConnectionsAnotherCopySavedMeanwhile) {
    Write({"A|DSN=a|", "B|DSN=b|", "C|DSN=c|", "E|DSN=e|"}, "C");
    TForm_Connect mine(nullptr, &Prop);
    {
        TForm_Connect other(nullptr, &Prop);
        TTreeNodeEx* d = other.ConnectTree->Add(nullptr, "D");
        TADOConnectStringsUtil::StringToList("DSN=d", d->GetStringList());
        TADOConnectStringsUtil::StringToList("DSN=b2", other.FindNode("B")->GetStringList());
        other.ConnectTree->Delete(other.FindNode("C"));
        other.SelectNode(std::string("B"));
        other.SaveToFile();
    }
    TADOConnectStringsUtil::StringToList("DSN=a2", mine.FindNode("A")->GetStringList());
    mine.ConnectTree->Delete(mine.FindNode("E"));
    mine.SaveToFile();
    // this store shows what it saved
    std::vector<std::string> names;
    mine.ConnectTree->ForEachNode([&](TTreeNodeEx* n) { names.push_back(n->Text()); });
    EXPECT_EQ(names, (std::vector<std::string>{"A", "B", "D"}));

    TForm_Connect g(nullptr, &Prop);
    names.clear();
    g.ConnectTree->ForEachNode([&](TTreeNodeEx* n) { names.push_back(n->Text()); });
    EXPECT_EQ(names, (std::vector<std::string>{"A", "B", "D"}));
    std::string s;
    for (const auto& [name, dsn] : std::vector<std::pair<std::string, std::string>>{
             {"A", "DSN=a2;"}, {"B", "DSN=b2;"}, {"D", "DSN=d;"}}) {
        g.GetConnectString(name, s);
        EXPECT_EQ(s, dsn) << name;
    }
    g.GetSelectedName(s);
    EXPECT_EQ(s, "B");  // this store did not choose
    // a choice made here wins over the file's
    g.SelectNode(std::string("D"));
    TForm_Connect h(nullptr, &Prop);
    h.SelectNode(std::string("A"));
    h.SaveToFile();
    g.SaveToFile();
    TForm_Connect last(nullptr, &Prop);
    last.GetSelectedName(s);
    EXPECT_EQ(s, "D");
}

// A FIFO in the file's place is never opened for reading (that would wait for
// ever) nor written; the user is told once.
TEST_F(ConnectFormTest, AFifoInPlaceOfTheFileIsToldOnceAndNeverWritten) {
    ASSERT_EQ(mkfifo(fs932::ToNative(File).c_str(), 0644), 0);
    {
        TForm_Connect f(nullptr, &Prop);
        EXPECT_EQ(f.GetCount(), 0);
        f.ConnectTree->Add(nullptr, "a");
        EXPECT_NO_THROW(f.SaveToFile());
        TForm_Connect again(nullptr, &Prop);
    }
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_NE(Messages[0].find("ファイル " + File + " を開けません"), std::string::npos) << Messages[0];
    struct stat st;
    ASSERT_EQ(lstat(fs932::ToNative(File).c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_FALSE(fs932::FileExists(File + ".bad"));
}
