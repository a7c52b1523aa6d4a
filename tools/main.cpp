// DB2eCLP.exe: a small stand-in for the DB2 Everyplace command-line
// processor, enough to run the DB2e CLP driver end to end. It reads a script
// of commands ended by ';' on its standard input, prints DB2-like messages on
// its standard output, and understands:
//
//   CONNECT TO <db>       connects to the SQLite database file "<db>.db" in
//                         the current folder, or, when the environment
//                         variable DB2ECLP_ODBC_<DB> is set (<DB>: the name in
//                         capitals, other characters than letters and digits
//                         as '_'), to that ODBC connection string
//   CONNECT RESET         disconnects
//   DESCRIBE <query>      prints the result columns of the query after a
//   DESCRIBE TABLE <t>    " --" rule line: "<type> <length> <name>" each
//   EXPORT TO <file> OF DEL <query>
//                         writes the rows of the query to <file> in DEL form:
//                         a CR LF after each row, values separated by commas,
//                         numbers as they are, other values in double quotes
//                         with inner double quotes doubled, binary values as
//                         hexadecimal text, null values as nothing
//   QUIT, TERMINATE       ends the script
//   any other statement   runs as SQL
//
// Exit code: 0 when everything succeeded, 4 after an SQL error, 8 after a
// command it could not read.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>

#include "CP932.h"
#include "FileSystem.h"
#include "OdbcConnectString.h"
#include "OdbcConnection.h"
#include "OdbcQuery.h"
#include "StringList.h"
#include "SysUtils.h"
#include "U_SQL99.h"
#include "U_SQL99Splitter.h"

namespace {

constexpr const char* kCRLF = "\r\n";
constexpr const char* kNoConnection = "SQL1024N  A database connection does not exist.  SQLSTATE=08003";
constexpr const char* kQueryOnly =
    "SQL0104N  Only a SELECT, WITH or VALUES statement can be described or exported.  SQLSTATE=42601";

void Print(std::string_view line) {
    std::cout.write(line.data(), static_cast<std::streamsize>(line.size()));
    std::cout << kCRLF;
}

// Reads the words of a command one by one, keeping what follows untouched.
class TWords {
public:
    explicit TWords(std::string_view s) : S(s) {}
    std::string Next() {
        SkipBlanks();
        const size_t start = P;
        while (P < S.size() && static_cast<unsigned char>(S[P]) > 0x20) ++P;
        return std::string(S.substr(start, P - start));
    }
    std::string Rest() {
        SkipBlanks();
        return sys::Trim(S.substr(P));
    }

private:
    void SkipBlanks() {
        while (P < S.size() && static_cast<unsigned char>(S[P]) <= 0x20) ++P;
    }
    std::string_view S;
    size_t P = 0;
};

// A query begins with SELECT, WITH or VALUES (after any comments).
bool IsQuery(const std::string& sql) {
    const std::string text = TSQL99CommentDelete::DeleteCommentText(sql);
    size_t n = 0;
    while (n < text.size() && std::isalpha(static_cast<unsigned char>(text[n]))) ++n;
    const std::string first = sys::UpperCase(std::string_view(text).substr(0, n));
    return first == "SELECT" || first == "WITH" || first == "VALUES";
}

std::string TypeName(const TFieldDef& d) {
    switch (d.DataType) {
    case ftSmallint: return "SMALLINT";
    case ftInteger: case ftWord: case ftAutoInc: return "INTEGER";
    case ftLargeint: return "BIGINT";
    case ftFloat: return "DOUBLE";
    case ftCurrency: case ftBCD: case ftFMTBcd: return "DECIMAL";
    case ftBoolean: return "BOOLEAN";
    case ftString: case ftWideString: return "VARCHAR";
    case ftFixedChar: case ftFixedWideChar: case ftGuid: return "CHAR";
    case ftDate: return "DATE";
    case ftTime: return "TIME";
    case ftDateTime: case ftTimeStamp: return "TIMESTAMP";
    case ftBytes: return "BINARY";
    case ftVarBytes: return "VARBINARY";
    case ftBlob: case ftGraphic: return "BLOB";
    case ftMemo: case ftFmtMemo: case ftWideMemo: return "CLOB";
    default: return sys::UpperCase(FieldTypeName(d.DataType));
    }
}

std::string PadRight(std::string s, size_t width) {
    if (s.size() < width) s.append(width - s.size(), ' ');
    return s;
}

class TProcessor {
public:
    int ExitCode = 0;

    // False when the script is to end.
    bool Run(const std::string& statement) {
        TWords words(statement);
        const std::string verb = sys::UpperCase(words.Next());
        try {
            if (verb == "QUIT" || verb == "TERMINATE") return false;
            if (verb == "CONNECT") Connect(words);
            else if (verb == "DESCRIBE") Describe(words.Rest());
            else if (verb == "EXPORT") Export(words);
            else Sql(statement);
        } catch (const EOdbcError& e) {
            SqlError(e.Message, e.SQLState);
        } catch (const Exception& e) {
            SqlError(e.Message, "");
        }
        return true;
    }

private:
    void Connect(TWords& words) {
        const std::string what = words.Next();
        if (sys::SameText(what, "RESET")) {
            Conn.reset();
            Print("DB20000I  The SQL command completed successfully.");
            return;
        }
        const std::string db = words.Next();
        if (!sys::SameText(what, "TO") || db.empty()) return Syntax();
        Conn.reset();
        auto conn = std::make_unique<TOdbcConnection>();
        conn->SetConnectionString(ConnectionString(db));
        conn->Open();
        Conn = std::move(conn);
        Print("");
        Print("   Database Connection Information");
        Print("");
        Print(" Local database alias   = " + sys::UpperCase(db));
        Print("");
    }

    static std::string ConnectionString(const std::string& db) {
        std::string var = "DB2ECLP_ODBC_";
        for (char c : sys::UpperCase(db)) var.push_back((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ? c : '_');
        if (const char* s = std::getenv(var.c_str())) return cp932::FromUtf8(s);
        return odbc::JoinOdbcString({{"DRIVER", "SQLite3"}, {"Database", fs932::ToNative(db + ".db")}});
    }

    // An open query of sql on the connection (which the caller checked).
    std::unique_ptr<TOdbcQuery> OpenQuery(const std::string& sql) {
        auto q = std::make_unique<TOdbcQuery>(Conn.get());
        q->SetParamCheck(false);
        q->SetSQL(sql);
        q->Open();
        return q;
    }

    void Describe(std::string target) {
        TWords words(target);
        const std::string first = sys::UpperCase(words.Next());
        if (first == "TABLE") target = "SELECT * FROM " + words.Rest();
        else if (first == "OUTPUT") target = words.Rest();
        if (!IsQuery(target)) return QueryOnly();
        if (!Conn) return NoConnection();
        // the columns without the rows where the database allows it
        std::unique_ptr<TOdbcQuery> q;
        try {
            q = OpenQuery("SELECT * FROM (\r\n" + target + "\r\n) DB2ECLP_DESCRIBE LIMIT 0");
        } catch (const Exception&) {
            q = OpenQuery(target);
        }
        const TFieldDefs& defs = q->FieldDefs();
        Print("");
        Print(" Column Information");
        Print("");
        Print(" Number of columns: " + std::to_string(defs.Count()));
        Print("");
        Print(" Data type                     Length  Column name");
        Print(" ----------------------------  ------  ------------------------------");
        for (int i = 0; i < defs.Count(); ++i) {
            const TFieldDef& d = defs[i];
            const int length = d.Precision > 0 ? d.Precision : d.Size;
            std::string len = std::to_string(length);
            Print(" " + PadRight(TypeName(d), 28) + "  " + PadRight(len, 6) + "  " + d.Name);
        }
        // two empty lines end the list
        Print("");
        Print("");
    }

    void Export(TWords& words) {
        const std::string to = words.Next();
        const std::string file = words.Next();
        const std::string of = words.Next();
        const std::string format = words.Next();
        const std::string query = words.Rest();
        if (!sys::SameText(to, "TO") || file.empty() || !sys::SameText(of, "OF")) return Syntax();
        if (!sys::SameText(format, "DEL")) {
            Print("SQL3009N  The parameter specifying the filetype is not valid.");
            ExitCode = std::max(ExitCode, 4);
            return;
        }
        if (!IsQuery(query)) return QueryOnly();
        if (!Conn) return NoConnection();
        std::unique_ptr<TOdbcQuery> q = OpenQuery(query);
        Print("SQL3104N  The Export utility is beginning to export data to file \"" + file + "\".");
        Print("");
        std::ofstream out(fs932::ToNative(file), std::ios::binary | std::ios::trunc);
        if (!out) {
            Print("SQL3001C  An I/O error (reason = \"open\") occurred while opening the output file.");
            ExitCode = std::max(ExitCode, 4);
            return;
        }
        std::string buf;
        int64_t rows = 0;
        for (q->First(); !q->Eof(); q->Next()) {
            for (int i = 0; i < q->FieldCount(); ++i) {
                if (i) buf.push_back(',');
                AppendValue(buf, q->Fields(i));
            }
            buf += kCRLF;
            ++rows;
            if (buf.size() >= (1u << 20)) {
                out.write(buf.data(), static_cast<std::streamsize>(buf.size()));
                buf.clear();
            }
        }
        out.write(buf.data(), static_cast<std::streamsize>(buf.size()));
        out.close();
        if (!out) {
            Print("SQL3001C  An I/O error (reason = \"write\") occurred while writing the output file.");
            ExitCode = std::max(ExitCode, 4);
            return;
        }
        Print("SQL3105N  The Export utility has finished exporting \"" + std::to_string(rows) + "\" rows.");
        Print("");
        Print("");
        Print("Number of rows exported: " + std::to_string(rows));
        Print("");
    }

    static void AppendValue(std::string& out, const TField& f) {
        if (f.IsNull()) return;
        if (TField::IsNumericType(f.DataType())) {
            out += f.AsString();
            return;
        }
        if (f.IsBinary() || f.DataType() == ftBlob || f.DataType() == ftGraphic) {
            static const char* hex = "0123456789ABCDEF";
            out.push_back('"');
            for (unsigned char c : f.Value().AsString()) {
                out.push_back(hex[c >> 4]);
                out.push_back(hex[c & 15]);
            }
            out.push_back('"');
            return;
        }
        out.push_back('"');
        for (char c : f.AsString()) {
            if (c == '"') out.push_back('"');
            out.push_back(c);
        }
        out.push_back('"');
    }

    void Sql(const std::string& sql) {
        if (!Conn) return NoConnection();
        auto q = std::make_unique<TOdbcQuery>(Conn.get());
        q->SetParamCheck(false);
        q->SetSQL(sql);
        if (IsQuery(sql)) {
            q->Open();
            Print("  " + std::to_string(q->RecordCount()) + " record(s) selected.");
        } else {
            q->ExecSQL();
            Print("DB20000I  The SQL command completed successfully.");
        }
        Print("");
    }

    void SqlError(const std::string& message, const std::string& state) {
        TStringList lines(message);
        std::string text;
        for (int i = 0; i < lines.Count(); ++i) text += (i ? " " : "") + lines[i];
        Print("SQL0901N  The SQL statement failed.  " + text + (state.empty() ? "" : "  SQLSTATE=" + state));
        Print("");
        ExitCode = std::max(ExitCode, 4);
    }
    void NoConnection() {
        Print(kNoConnection);
        ExitCode = std::max(ExitCode, 4);
    }
    void QueryOnly() {
        Print(kQueryOnly);
        ExitCode = std::max(ExitCode, 4);
    }
    void Syntax() {
        Print("DB21034E  The command was processed as an SQL statement because it was not a valid Command Line "
              "Processor command.");
        ExitCode = std::max(ExitCode, 8);
    }

    std::unique_ptr<TOdbcConnection> Conn;
};

}  // namespace

int main() {
    std::ios::sync_with_stdio(false);
    const std::string input((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
    TProcessor processor;
    try {
        // a line list's text: CR LF after every line
        TSQL99Splitter splitter(TStringList(input).Text(), ';', TSQL99Splitter::smDelimiter);
        for (int i = 0; i < splitter.Count(); ++i) {
            const std::string statement = sys::Trim(splitter.GetStatement(i));
            if (statement.empty()) continue;
            if (!processor.Run(statement)) break;
        }
    } catch (const Exception& e) {
        Print("DB21007E  End of file reached while reading the command.");
        std::cerr << e.Message << kCRLF;
        processor.ExitCode = 8;
    }
    std::cout.flush();
    return processor.ExitCode;
}
