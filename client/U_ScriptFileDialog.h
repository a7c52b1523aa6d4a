// The file dialogs of the script files: open ("スクリプトファイルを開く") and
// save ("スクリプトを保存", asking before it replaces a file). Code that runs
// without anyone to answer (tests) installs a chooser in their place.
#pragma once
#include <functional>
#include <string>

class QWidget;

struct TScriptFileDialog {
    bool Save = false;
    std::string Title;
    std::string InitialDir;  // CP932
    std::string FileName;    // CP932; the chosen file after Execute

    // True when a file was chosen.
    bool Execute(QWidget* Parent);

    using TChooser = std::function<bool(TScriptFileDialog& Dialog)>;
    // Installs a chooser and returns the one it replaced; an empty one restores the dialogs.
    static TChooser SetChooser(TChooser Chooser);
};
