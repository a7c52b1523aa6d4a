// The "<?" ... "?>" markers of one SQL statement outside literals and
// comments; a marker whose text begins with FILE names a file whose bytes
// become a parameter value ("<?FILE:path?>").
#pragma once
#include <string>

#include "StringList.h"
#include "U_SQL99.h"

// An error in binding a marker: the SQL text and the position of the path in it.
Z_DECLARE_EXCEPTION(EADOSQLParamParser, ESQL99Exception);

class TADOSQLParamParser {
public:
    // Stores the text and parses it at once; errors of the literal and
    // comment scanners pass to the caller.
    explicit TADOSQLParamParser(std::string SQL);

    std::string SQL;
    char OpenChar1 = '<', OpenChar2 = '?', CloseChar1 = '?', CloseChar2 = '>';
    std::string Keyword = "FILE";
    // Sorted, each marker once (ignoring case).
    TStringList Others;
    TStringList Files;

private:
    void Parse();
};
