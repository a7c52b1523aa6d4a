// SQL through the DB2 Everyplace command-line processor: "DB2eCLP.exe" in the
// current folder is started as a console child, fed a script on its standard
// input, and its results come back as two files in the current folder: the
// column descriptions that Describe writes and the rows that the processor's
// export writes. No connection is kept: every statement is one export run.
#pragma once
#include <functional>
#include <string>

#include "Exception.h"

class TStringList;

Z_DECLARE_EXCEPTION(EDB2eCLPDriver, Exception);

class TDB2eCLPDriver {
public:
    TDB2eCLPDriver() = delete;

    static constexpr const char* ProcessorFileName = "DB2eCLP.exe";
    static constexpr const char* FieldsFileName = "ZINTAVOR_EXPORTFIELDS.csv";
    static constexpr const char* DataFileName = "ZINTAVOR_EXPORTCSV.csv";

    // Asks the processor to describe SQL (after connecting to ConnectTo
    // unless it is blank) and writes one line per result column to the
    // fields file. Raises EConsoleUtil when the processor cannot be started.
    static void Describe(const std::string& ConnectTo, const std::string& SQL,
                         const std::function<void()>& ProcessMessages = {});
    // Describe, then lets the processor export the rows of SQL to the data
    // file. What the processor writes (standard output, then standard error)
    // is appended to Msg. A data file left by an earlier run is removed
    // first, so that a failed export leaves none behind.
    static void Export(const std::string& ConnectTo, const std::string& SQL, std::string& Msg,
                       const std::function<void()>& ProcessMessages = {});

    // The column descriptions in the processor's describe output: every line
    // after a line that begins with " --", up to an empty line, is one column
    // "<type> <length> <name...>", described as " <name...> (<type>)".
    static void ParseDescribeOutput(const std::string& Output, TStringList& Fields);
};
