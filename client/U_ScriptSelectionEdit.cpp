#include "U_ScriptSelectionEdit.h"

#include "T_KZNUtil.h"
#include "U_SQL99.h"

namespace scriptedit {
namespace {

bool EndsWithBreak(std::string_view S) { return !S.empty() && S.back() == '\n'; }

// The text of Lines, without the final CR LF unless S had one.
std::string Finish(std::string text, std::string_view S) {
    return EndsWithBreak(S) ? text : TKZNUtil::DeleteLastCRLF(text);
}

}  // namespace

TSelectionEdit CommentOut(std::string_view S) {
    TStringList lines(S);
    for (std::string& line : lines.Items) line.insert(0, "--");
    return {Finish(lines.Text(), S), static_cast<int>(S.size()) + 2 * lines.Count()};
}

TSelectionEdit CommentIn(std::string_view S) {
    TStringList lines(S);
    int changed = 0;
    for (std::string& line : lines.Items)
        if (line.compare(0, 2, "--") == 0) {
            line.erase(0, 2);
            ++changed;
        }
    return {Finish(lines.Text(), S), static_cast<int>(S.size()) - 2 * changed};
}

std::string DeleteComments(std::string_view S) {
    TStringList lines(S);
    TSQL99CommentDelete::DeleteComment(lines);
    return Finish(lines.Text(), S);
}

std::string CommaBreak(std::string_view S) { return Finish(TSQL99Breaker(TStringList(S).Text()).ResultSQL, S); }

std::string DroppedFileImportLine(const TStringList& NameLines, char Delimiter, char Prefix) {
    std::string name = TKZNUtil::DeleteLastCRLF(NameLines.Text());
    if (name.find(' ') != std::string::npos) name = "\"" + name + "\"";
    return std::string(1, Prefix) + name + std::string(1, Delimiter);
}

}  // namespace scriptedit
