#include "U_DB2eCLPDriver.h"

#include <sstream>
#include <vector>

#include "FileSystem.h"
#include "StringList.h"
#include "SysUtils.h"
#include "T_KZNUtil.h"
#include "U_ConsoleUtil.h"

namespace {

struct TRunResult {
    std::string Output;
    std::string Error;
};

// The command line of the processor in the current folder (quoted: the folder may hold blanks).
std::string ProcessorCommandLine() {
    // '/' is never the trail byte of a double-byte character ('\\' may be: "表" ends with it)
    std::string folder = fs932::GetCurrentDir();
    if (folder.empty() || folder.back() != '/') folder.push_back('/');
    return "\"" + folder + TDB2eCLPDriver::ProcessorFileName + "\"";
}

// The script: the connect line when ConnectTo is not blank, then the command line.
TRunResult RunScript(const std::string& ConnectTo, const std::string& Command,
                     const std::function<void()>& ProcessMessages) {
    TStringList script;
    const std::string db = sys::Trim(ConnectTo);
    if (!db.empty()) script.Add("Connect To " + db + ";");
    script.Add(Command);
    std::istringstream input(script.Text());
    std::ostringstream output, error;
    RunConsoleProcess(ProcessorCommandLine(), input, output, error, ProcessMessages);
    return {output.str(), error.str()};
}

// The output as lines, with every double line break made single once: the
// processor's empty lines disappear, a run of them leaves one.
void CollapsedLines(const std::string& Output, TStringList& Lines) {
    Lines.SetText(Output);
    Lines.SetText(sys::StringReplaceAll(Lines.Text(), "\r\n\r\n", "\r\n"));
}

// Runs of blanks shortened to one blank.
std::string SingleBlanks(const std::string& S) {
    std::string out;
    out.reserve(S.size());
    bool blank = false;
    for (char c : S) {
        if (c == ' ' && blank) continue;
        blank = c == ' ';
        out.push_back(c);
    }
    return out;
}

}  // namespace

void TDB2eCLPDriver::ParseDescribeOutput(const std::string& Output, TStringList& Fields) {
    Fields.Clear();
    TStringList lines;
    CollapsedLines(Output, lines);
    std::vector<std::string> parts(2);
    std::string rest;
    for (int i = 0; i < lines.Count(); ++i) {
        if (lines[i].compare(0, 3, " --") != 0) continue;
        int j = i + 1;
        for (; j < lines.Count() && !sys::Trim(lines[j]).empty(); ++j) {
            TKZNUtil::SplitBySpace(SingleBlanks(lines[j]), parts, rest);
            Fields.Add(rest + " (" + parts[0] + ")");
        }
        i = j;
    }
}

void TDB2eCLPDriver::Describe(const std::string& ConnectTo, const std::string& SQL,
                              const std::function<void()>& ProcessMessages) {
    const TRunResult r = RunScript(ConnectTo, "describe " + SQL + ";", ProcessMessages);
    TStringList fields;
    ParseDescribeOutput(r.Output, fields);
    fields.SaveToFile(FieldsFileName);
}

void TDB2eCLPDriver::Export(const std::string& ConnectTo, const std::string& SQL, std::string& Msg,
                            const std::function<void()>& ProcessMessages) {
    Describe(ConnectTo, SQL, ProcessMessages);
    // the rows of an earlier statement must never pass for the rows of this one
    if (fs932::FileExists(DataFileName) && !fs932::DeleteFile(DataFileName))
        throw EDB2eCLPDriver(std::string("前回のエクスポートファイル ") + DataFileName + " を削除できません");
    const TRunResult r =
        RunScript(ConnectTo, std::string("export to ") + DataFileName + " of del " + SQL + ";", ProcessMessages);
    TStringList lines;
    CollapsedLines(r.Output, lines);
    Msg += lines.Text();
    lines.SetText(r.Error);
    Msg += lines.Text();
}
