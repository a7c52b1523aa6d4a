// The script page's edits of the selected text S, as text in and text out:
// comment out and in, comment removal, comma line breaks; and the import line
// a dropped script file becomes. The replacement keeps a final line break only
// when S ended with one (its last byte is LF).
#pragma once
#include <string>
#include <string_view>

#include "StringList.h"

namespace scriptedit {

struct TSelectionEdit {
    std::string Text;  // replaces the selection
    int SelLength;     // the selection's new length from its old start
};

// "--" before every line of S.
TSelectionEdit CommentOut(std::string_view S);
// Every line of S that begins with "--" loses it.
TSelectionEdit CommentIn(std::string_view S);
// S without its line and block comments.
std::string DeleteComments(std::string_view S);
// A line break after every comma of S outside literals and comments.
std::string CommaBreak(std::string_view S);
// Prefix + the file name (in double quotes when it holds a blank) + Delimiter: a
// script file dropped as its name becomes an import line.
std::string DroppedFileImportLine(const TStringList& NameLines, char Delimiter, char Prefix = '@');

}  // namespace scriptedit
