// Cuts the parameter text of a command line into words: blanks separate
// words, a word in double quotes may hold blanks and line breaks, and a
// doubled double quote inside it stands for one double quote.
#pragma once
#include <string>
#include <string_view>

#include "Exception.h"
#include "StringList.h"

Z_DECLARE_EXCEPTION(ECommandLineParser, Exception);

class TIndexStartEndList;

class TStringSpaceUtil {
public:
    // One range per run of blanks (0x20), tagged "半角スペース"; CR and LF are no blanks.
    static void FindSpaceRuns(std::string_view S, TIndexStartEndList& List);
    // Every run of two or more blanks shortened to one blank.
    static void CompressSpaces(std::string_view S, std::string& Result);
};

class TCommandLineParser {
public:
    // Raises ECommandLineParser for a line break outside double quotes, an
    // unclosed double quote, or a quoted word not set off by blanks.
    explicit TCommandLineParser(std::string_view Line);

    std::string Line;
    TStringList Words;  // in text order

private:
    void Parse();
};
