// The commands SaveToFile and SaveToFileXLS, which save the active result
// page's text to a text file or to a BIFF2 worksheet, and the save dialog
// they share.
#pragma once
#include <functional>
#include <string>

#include "I_ScriptHost.h"
#include "U_Command.h"

class TXBiff;

// The save dialog of the export commands. One instance lives for the whole
// program, so it offers the file name chosen last.
class TSaveResultDialog {
public:
    std::string InitialDir;  // CP932, the folder the dialog starts in
    std::string Title;
    std::string DefaultExt;  // without the dot
    std::string Filter;      // description|pattern pairs, separated by '|'
    std::string FileName;    // CP932; the name chosen last

    // Shows the dialog; true when the user chose a file (FileName holds it).
    bool Execute();
    // What shows the dialog and answers; empty: a save-file dialog of the
    // toolkit started in InitialDir.
    std::function<bool(TSaveResultDialog&)> Chooser;
};

TSaveResultDialog& SaveResultDialog();
TXBiff& XBiff();

// Name with "." and Ext appended when it has no extension (no '.' after its
// last '\', '/' or ':').
std::string AddDefaultExt(const std::string& Name, const std::string& Ext);

class TzSaveToFile : public TNativCommand {
public:
    TzSaveToFile(IScriptHost* Host, const TParamsArr& Params);
    void Execute() override;
};

class TzSaveToFileXLS : public TNativCommand {
public:
    TzSaveToFileXLS(IScriptHost* Host, const TParamsArr& Params);
    void Execute() override;
};
