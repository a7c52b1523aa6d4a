// The fuzz targets: each hands one input to a real entry point and checks
// what that entry point promises (positions inside the text, round trips
// that settle, errors only of the documented kinds).
#include <algorithm>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include <QCoreApplication>

#include "../../bench/BenchHost.h"
#include "CP932.h"
#include "Editor.h"
#include "FileSystem.h"
#include "FuzzDriver.h"
#include "KZNMessageDlg.h"
#include "KZNTreeView.h"
#include "KZNTreeViewFormatMerge.h"
#include "KeyMacro.h"
#include "KZNMemIniFile.h"
#include "MemDataSet.h"
#include "OdbcConnectString.h"
#include "StringList.h"
#include "SysUtils.h"
#include "T_EnvData.h"
#include "DataSet.h"
#include "U_ADOConnectStringsUtil.h"
#include "U_CommandLineParser.h"
#include "U_DescTreeManager.h"
#include "U_Environment.h"
#include "U_Frame_SQLClient.h"
#include "U_Form_History.h"
#include "U_SQL99.h"
#include "U_SQL99Splitter.h"
#include "U_ScriptExecutor.h"
#include "U_ScriptManager.h"
#include "WindowMessage.h"

namespace {

using fuzz::Check;

// The input cut at the first 0x01 bytes: head, then the parts after it.
std::vector<std::string> Parts(const std::string& in, size_t most) {
    std::vector<std::string> out;
    size_t at = 0;
    while (out.size() + 1 < most) {
        const size_t cut = in.find('\x01', at);
        if (cut == std::string::npos) break;
        out.push_back(in.substr(at, cut - at));
        at = cut + 1;
    }
    out.push_back(in.substr(at));
    return out;
}

void CheckRanges(const TIndexStartEndList& l, size_t length, const char* what) {
    int32_t last = 0;
    for (int i = 0; i < l.Count(); ++i) {
        const int32_t s = l.StartIndexAt(i), e = l.EndIndexAt(i);
        Check(s >= 1 && s <= e + 1 && static_cast<size_t>(e) <= length, what);
        Check(s > last, what);
        last = e;
    }
}

// The error position lies in the text the error carries (the text handed in,
// or its line-list form).
void CheckError(const ESQL99Exception& e, size_t length, const char* where) {
    if (e.ErrorPosition < 1 || static_cast<size_t>(e.ErrorPosition) > e.SQL.size() || e.SQL.size() < length)
        fuzz::Finding(std::string("error position ") + std::to_string(e.ErrorPosition) + " outside the text: " + where);
}

// True when byte p is the second byte of a double-byte character, read from the start.
bool TrailAt(const std::string& t, size_t p) {
    bool trail = false;
    for (size_t i = 1; i <= p; ++i) {
        const unsigned char lead = static_cast<unsigned char>(t[i - 1]), c = static_cast<unsigned char>(t[i]);
        trail = !trail && ((lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC)) &&
                ((c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC));
    }
    return trail;
}

// ---- the scanners and the splitter

// Byte 0 is the delimiter (any byte), byte 1 the mode; the rest is the text.
void Sql(const std::string& in) {
    if (in.size() < 2) return;
    const char delimiter = in[0];
    const uint8_t mode = static_cast<uint8_t>(static_cast<unsigned char>(in[1]) % 3);
    const std::string text = in.substr(2);
    const size_t n = text.size();

    TIndexStartEndList literals, lines, blocks, ignore;
    try {
        TSQL99Scanner::GetRanges(text, literals, lines, blocks);
        TSQL99Scanner::GetIgnoreRanges(text, ignore);
        CheckRanges(ignore, n, "ignore ranges");
    } catch (const ESQL99Exception& e) {
        CheckError(e, n, "scanner ranges");
    }
    for (int k = 0; k < 3; ++k) {
        TIndexStartEndList l;
        try {
            if (k == 0) TSQL99Literal(text).GetRanges(l);
            else if (k == 1) TSQL99LineComment(text).GetRanges(l);
            else TSQL99BlockComment(text).GetRanges(l);
        } catch (const ESQL99Exception& e) {
            CheckError(e, n, "single scanners");
        }
    }
    std::string filled;
    try {
        TSQL99Ignore::FillIgnoredText(text, '*', filled);
        Check(filled.size() == n, "filling changed the length");
        TSQL99Breaker breaker(text);
        TSQL99Parser::GetSQLKind(text);
        TSQL99CommentDelete::DeleteCommentText(text);
    } catch (const ESQL99Exception& e) {
        CheckError(e, n, "fill, breaker, kind, comment text");
    }

    // The splitter: ranges inside the text, no delimiter on a trail byte,
    // and the one-pass form equal to the two steps.
    try {
        TSQL99Splitter s(text, delimiter, mode);
        CheckRanges(s.StatementRanges, n, "statement ranges");
        CheckRanges(s.GetDelimiterRanges(), n, "delimiter ranges");
        for (int i = 0; i < s.GetDelimiterRanges().Count(); ++i) {
            const size_t p = static_cast<size_t>(s.GetDelimiterRanges().StartIndexAt(i) - 1);
            Check(text[p] == delimiter, "a delimiter range that does not start at the delimiter");
            Check(!TrailAt(text, p), "a delimiter on the second byte of a character");
        }
        std::string st;
        for (int i = 0; i < s.Count(); ++i) s.GetStatement(i, st);
    } catch (const ESQL99Exception& e) {
        CheckError(e, n, "splitter");
    }
    std::string cleaned;
    bool twoStepsFailed = false;
    try {
        cleaned = TSQL99CommentDelete::DeleteCommentLinesText(text);
    } catch (const ESQL99Exception& e) {
        CheckError(e, n, "comment lines text");
        twoStepsFailed = true;
    }
    std::unique_ptr<TSQL99Splitter> twoSteps;
    if (!twoStepsFailed) {
        try {
            twoSteps = std::make_unique<TSQL99Splitter>(cleaned, delimiter, mode);
        } catch (const ESQL99Exception&) {
            twoStepsFailed = true;
        }
    }
    try {
        const auto onePass = TSQL99Splitter::CreateWithoutComments(text, delimiter, mode);
        Check(!twoStepsFailed, "one pass splits what the two steps refuse");
        Check(onePass->Text == twoSteps->Text, "one pass and two steps clean differently");
        Check(onePass->Count() == twoSteps->Count(), "one pass and two steps split differently");
        for (int i = 0; i < onePass->Count(); ++i)
            Check(onePass->GetStatement(i) == twoSteps->GetStatement(i), "one pass and two steps differ in a statement");
        const TIndexStartEndList &a = onePass->GetDelimiterRanges(), &b = twoSteps->GetDelimiterRanges();
        Check(a.Count() == b.Count(), "one pass and two steps find other delimiters");
        for (int i = 0; i < a.Count(); ++i)
            Check(a.StartIndexAt(i) == b.StartIndexAt(i) && a.EndIndexAt(i) == b.EndIndexAt(i),
                  "one pass and two steps find other delimiters");
    } catch (const ESQL99Exception&) {
        Check(twoStepsFailed, "one pass refuses what the two steps split");
    }
}

// ---- script items: parameters, user variables, kinds, import and command lines

class TFuzzHost : public TBenchHost {
public:
    TFuzzHost() {
        Console.Keep = false;
        OnExecuteSQL = [](void*, const std::string&, TSQLKind, std::unique_ptr<TDataSet>&, std::string&) {};
    }
};

// Parts: the script, user variables (NAME=VALUE lines), then parameters.
void Script(const std::string& in) {
    std::vector<std::string> parts = Parts(in, 8);
    TFuzzHost host;
    if (parts.size() > 1) {
        TStringList vars(parts[1]);
        for (const std::string& line : vars.Items) {
            const size_t eq = line.find('=');
            if (eq != std::string::npos && eq > 0) host.Env.SetValue(line.substr(0, eq), line.substr(eq + 1));
        }
    }
    TStringList params;
    for (size_t i = 2; i < parts.size(); ++i) params.Add(parts[i]);
    const TStringList script = TScriptExecutor::ReplaceParams(TStringList(parts[0]), params);
    char delimiter = ';';
    TSQL99Splitter::TSplitMode mode = TSQL99Splitter::smDelimiter;
    for (const std::string& line : script.Items) {
        if (sys::Trim(line).empty()) continue;
        if (line == "/") mode = TSQL99Splitter::smBlock, delimiter = '/';
        break;
    }
    try {
        TScriptManager manager(&host, script, delimiter, mode);
        for (int i = 0; i < manager.Count(); ++i) {
            TScriptItem& item = manager.GetItem(i);
            TStringList work(item.Lines);
            item.ReplaceUserVariables(work);
            try {
                switch (item.GetKind()) {
                    case sikSQL: manager.Execute(i); break;
                    case sikCommand: TCommandLineParser(sys::Trim(work.Text()).substr(1)); break;
                    case sikScriptImport: {
                        TScriptFileImportCommandLineParser p(sys::Trim(work.Text()).substr(1), "/nonexistent/");
                        std::string name;
                        p.GetFileName(name);
                        break;
                    }
                    default: break;
                }
            } catch (const Exception&) {
            }
        }
    } catch (const ESQL99Exception& e) {
        TScriptExecutor::SQLErrorPositionText(e);
    }
}

// ---- the command-line parser

void CommandLine(const std::string& in) {
    try {
        TCommandLineParser p(in);
        for (const std::string& w : p.Words.Items) Check(w.size() <= in.size(), "a word longer than its line");
    } catch (const ECommandLineParser&) {
    }
    std::string compressed;
    TStringSpaceUtil::CompressSpaces(in, compressed);
    Check(compressed.size() <= in.size(), "compressing spaces made the text longer");
    TIndexStartEndList runs;
    TStringSpaceUtil::FindSpaceRuns(in, runs);
    CheckRanges(runs, in.size(), "space runs");
}

// ---- connection strings: what is joined splits back as it was

bool IsPasswordKey(const std::string& k) { return sys::SameText(k, "PWD") || sys::SameText(k, "Password"); }

// The input as a connection string, and its parts (0x01 between them) as
// keys and values; the lines of the system's form; the masked form.
void ConnectString(const std::string& in) {
    auto roundTrip = [](const odbc::TKeyValues& kv) {
        std::string joined;
        try {
            joined = odbc::JoinOdbcString(kv);
        } catch (const EDatabaseError&) {
            // only a value to be braced that ends with a lone lead byte is refused
            bool lone = false;
            for (const auto& [k, v] : kv) lone = lone || (!v.empty() && cp932::IsLeadByte(v.back()));
            Check(lone, "a join refused without a lone lead byte");
            return;
        }
        Check(odbc::SplitConnectString(joined) == kv, "a joined string splits into other pairs");
    };
    const odbc::TKeyValues split = odbc::SplitConnectString(in);
    roundTrip(split);
    // keys as the splitter gives them (trimmed, without '=' or ';'), any bytes as values
    const std::vector<std::string> parts = Parts(in, 64);
    odbc::TKeyValues kv;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        const std::string key = sys::Trim(parts[i]);
        if (key.empty() || key.find_first_of("=;") != std::string::npos) continue;
        kv.emplace_back(key, parts[i + 1]);
    }
    roundTrip(kv);

    // the key=value lines of the system's form: lines whose quotes pair up come back
    TStringList lines;
    TADOConnectStringsUtil::StringToList(in, &lines);
    bool paired = true;
    for (const std::string& line : lines.Items) paired = paired && std::count(line.begin(), line.end(), '"') % 2 == 0;
    if (paired) {
        std::string joined;
        TADOConnectStringsUtil::ListToString(&lines, joined);
        TStringList again;
        TADOConnectStringsUtil::StringToList(joined, &again);
        Check(again.Items == lines.Items, "the lines of a connection string do not come back");
    }

    // masked: the same keys, every password "****", nothing else changed
    const odbc::TKeyValues masked = odbc::SplitConnectString(odbc::MaskPasswords(in));
    Check(masked.size() == split.size(), "masking changed the pairs");
    for (size_t i = 0; i < split.size() && i < masked.size(); ++i) {
        Check(masked[i].first == split[i].first, "masking changed a key");
        if (IsPasswordKey(split[i].first))
            Check(masked[i].second == "****" || (split[i].second.empty() && masked[i].second.empty()), "a password shows");
        else if (split[i].second.find('=') == std::string::npos) Check(masked[i].second == split[i].second, "masking changed a value");
    }
}

// ---- files

std::string WorkFile(const char* name) { return fuzz::WorkFolder() + "/" + name; }

void WriteInput(const std::string& file, const std::string& bytes) {
    fs932::DeleteFile(file + ".bad");
    Check(fs932::WriteFileAtomic(file, bytes), "the work file cannot be written");
}

// ---- the ini file: what is written reads back from the file

// Parts in threes: section, key, value. Each write either is refused (and
// changes nothing) or reads back, before and after a save, as the value
// trimmed; a character written with WriteChar reads back as itself.
void Ini(const std::string& in) {
    const std::string file = WorkFile("fuzz.ini");
    fs932::DeleteFile(file);
    const std::vector<std::string> parts = Parts(in, 48);
    std::map<std::pair<std::string, std::string>, std::string> expected;
    std::vector<std::pair<std::string, std::string>> names;
    char c = parts[0].empty() ? ' ' : parts[0][0];
    const bool charHeld = c != '\r' && c != '\n';
    {
        TKZNMemIniFile ini;
        ini.SetRunTimeFileName(file);
        ini.Open();
        for (size_t i = 0; i + 2 < parts.size(); i += 3) {
            const std::string &sec = parts[i], &key = parts[i + 1], &value = parts[i + 2];
            const auto id = std::make_pair(sys::UpperCase(sec), sys::UpperCase(key));
            const std::string before = ini.ReadString(sec, key, "\x01<none>");
            try {
                ini.WriteString(sec, key, value);
            } catch (const EIniFileError&) {
                Check(ini.ReadString(sec, key, "\x01<none>") == before, "a refused write changed the value");
                continue;
            }
            expected[id] = sys::Trim(value);
            names.emplace_back(sec, key);
            Check(ini.ReadString(sec, key, "") == expected[id], "a written value reads back otherwise");
        }
        ini.UpdateFile();
    }
    TKZNMemIniFile again;
    again.SetRunTimeFileName(file);
    again.Open();
    for (const auto& [sec, key] : names)
        Check(again.ReadString(sec, key, "\x01<none>") == expected[std::make_pair(sys::UpperCase(sec), sys::UpperCase(key))],
              "a saved value reads back otherwise");
    // the first byte as a one-character value, in a file of its own
    const std::string chars = WorkFile("fuzz-char.ini");
    fs932::DeleteFile(chars);
    {
        TKZNMemIniFile ini;
        ini.SetRunTimeFileName(chars);
        ini.Open();
        try {
            ini.WriteChar("Chars", "c", c);
            Check(charHeld, "a line break written as a character");
        } catch (const EIniFileError&) {
            Check(!charHeld, "a character refused");
            return;
        }
        ini.UpdateFile();
    }
    TKZNMemIniFile read;
    read.SetRunTimeFileName(chars);
    read.Open();
    Check(read.ReadChar("Chars", "c", '?') == c, "a saved character reads back otherwise");
}

// Loaded, saved, loaded and saved again: the second save equals the first.
void TreeFile(const std::string& in) {
    const std::string file = WorkFile("fuzz.Connection"), again = WorkFile("fuzz2.Connection");
    WriteInput(file, in);
    std::string first, second;
    {
        TKZNTreeView view(nullptr);
        try {
            view.LoadFromFile(file);
        } catch (const Exception&) {
            return;
        }
        view.SaveToFile(again);
        Check(fs932::ReadFile(again, first), "the saved tree cannot be read");
    }
    {
        TKZNTreeView view(nullptr);
        view.LoadFromFile(again);
        view.SaveToFile(again);
        Check(fs932::ReadFile(again, second), "the saved tree cannot be read");
    }
    Check(first == second, "a saved tree file loads to another tree");
}

// Three tree texts (what a copy read, holds and finds in the file) cut at
// 0x01 bytes: merged by body and by caption, the result is a tree text that
// splits again; a copy that changed nothing takes the file's tree as it is.
void TreeMerge(const std::string& in) {
    const std::vector<std::string> parts = Parts(in, 3);
    const TKZNTreeFormatChars chars;
    std::vector<TKZNTreeTextRecords> trees;
    for (const std::string& p : parts) {
        try {
            trees.push_back(KZNTreeSplitText(p, chars));
        } catch (const Exception&) {
            trees.emplace_back();
        }
    }
    while (trees.size() < 3) trees.emplace_back();
    TKZNTreeMergeRules byName;
    byName.Identity = [&](std::string_view body) { return sys::UpperCase(KZNTreeBodyCaption(body, chars)); };
    byName.Content = [&](std::string_view body) { return KZNTreeBodyWithout(body, {"Selected"}, chars); };
    for (const TKZNTreeMergeRules& rules : {TKZNTreeMergeRules{}, byName}) {
        const TKZNTreeTextRecords merged = KZNTreeMerge(trees[0], trees[1], trees[2], rules);
        int level = -1;
        for (const TKZNTreeTextRecord& r : merged) {
            Check(r.Level >= 0 && r.Level <= level + 1, "a merged tree skips a level");
            level = r.Level;
        }
        Check(KZNTreeMerge(trees[0], trees[0], trees[2], rules) == trees[2], "an unchanged copy does not take the file's tree");
        (void)KZNTreePathKeys(merged, rules);
    }
}

void History(const std::string& in) {
    static winmsg::TMessageWindow centre;
    const std::string file = WorkFile("fuzz.History");
    WriteInput(file, in);
    auto form = std::make_unique<TForm_History>(nullptr, centre.Handle(), file);
    form->LoadFromFile();
    try {
        form->SaveToFile();
    } catch (const Exception&) {
    }
    form->LoadFromFile();
    form.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void Settings(const std::string& in) {
    const std::string file = WorkFile("fuzz.Environment");
    WriteInput(file, in);
    TEnvironment env(file);
    env.Load();
    try {
        env.Save();
    } catch (const Exception&) {
    }
    TEnvironment again(file);
    again.Load();
}

void Udl(const std::string& in) {
    const std::string file = WorkFile("fuzz.udl");
    WriteInput(file, in);
    std::string s;
    try {
        TADOConnectStringsUtil::ReadUDLFile(file, s);
    } catch (const Exception&) {
    }
}

// Loaded from the text, then played into an editor with a few lines.
void KeyMacro(const std::string& in) {
    static TEditor* editor = MakeEditor<TEditor>();
    editor->Lines().SetText("SELECT 1;\r\n表示 ソース\r\n\r\nabc");
    editor->SetRowCol(1, 2);
    TKeyMacro macro;
    macro.ShowDialog = false;
    macro.SetControl(editor);
    std::istringstream stream(in);
    if (!macro.LoadFromStream(stream)) return;
    macro.Execute();
    std::ostringstream out;
    macro.SaveToStream(out);
    macro.SetControl(nullptr);
}

// The object-tree definition readers: parameters, deploy queries (with
// placeholders), an override folder and a title query, from the input's
// parts; every node is expanded against a database whose rows carry the
// last part.
void ObjectTree(const std::string& in) {
    static winmsg::TMessageWindow centre;
    static std::string rowValue;
    static TFrameSQLClient* frame = [] {
        auto* f = new TFrameSQLClient(nullptr, centre.Handle());
        f->SQLDelimiter = ';';
        f->CommandPrefix = '#';
        f->ImportScriptFileNamePrefix = '@';
        f->OnIsConnected = [](void*, bool& c) { c = true; };
        f->OnExecuteSQL = [](void*, const std::string&, TSQLKind, std::unique_ptr<TDataSet>& ds, std::string&) {
            auto m = std::make_unique<TMemDataSet>();
            m->FieldDefs().Add("NAME", ftString, 40);
            m->AddRow({TVariant(std::string("T1"))});
            m->AddRow({TVariant(rowValue)});
            m->Open();
            ds = std::move(m);
        };
        f->DescTreeManager->ChangeDelay = 0;
        return f;
    }();
    const std::vector<std::string> parts = Parts(in, 6);
    auto part = [&](size_t i) { return i < parts.size() ? parts[i] : std::string(); };
    rowValue = part(5);
    const std::string root = fuzz::WorkFolder() + "/program/";
    const std::string tree = root + "ObjectTree/T/";
    for (const char* folder : {"Tables/_Cols/", "Db/"}) fs932::ForceDirectories(tree + folder);
    WriteInput(tree + "Params.txt", part(0));
    WriteInput(tree + "Tables/DeployItem.SQL", part(1));
    WriteInput(tree + "Tables/_Cols/DeployItem.SQL", part(2));
    WriteInput(tree + "Tables/OverRide.txt", part(3));
    WriteInput(tree + "Db/Title.SQL", part(4));
    TDescTreeManager& manager = *frame->DescTreeManager;
    manager.SetProgramFolder(root);
    manager.ClearObjectTrees();
    manager.AddObjectTree("T");
    manager.LoadObjectTrees();
    // Breadth first, a few hundred nodes at most.
    std::vector<TTreeNodeEx*> nodes;
    for (int i = 0; i < frame->TreeView_Desc->RootCount(); ++i) nodes.push_back(frame->TreeView_Desc->Root(i));
    for (size_t k = 0; k < nodes.size() && k < 300; ++k) {
        manager.ExpandNode(nodes[k]);
        try {
            manager.ExpandPlaceholders(nodes[k], part(1));
        } catch (const EDescTreeManager&) {
            // a value that cannot go in (too large, or a database value that cannot be quoted there)
        }
        for (int i = 0; i < nodes[k]->Count(); ++i) nodes.push_back(nodes[k]->Item(i));
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace

namespace fuzz {

const std::vector<TTarget>& Targets() {
    static const std::vector<TTarget> targets = {
        {"sql", false, Sql},
        {"script", false, Script},
        {"cmdline", false, CommandLine},
        {"treefile", true, TreeFile},
        {"treemerge", false, TreeMerge},
        {"history", true, History},
        {"settings", true, Settings},
        {"udl", false, Udl},
        {"keymacro", true, KeyMacro},
        {"objtree", true, ObjectTree},
        {"connstring", false, ConnectString},
        {"ini", false, Ini},
    };
    static const bool quiet = [] {
        SetMessageDlgPresenter([](const std::string&, TMsgDlgType) {});
        TKeyMacro::SetPresenter([](const std::string&, bool) {});
        return true;
    }();
    (void)quiet;
    return targets;
}

}  // namespace fuzz
