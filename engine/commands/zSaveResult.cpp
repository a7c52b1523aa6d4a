#include "zSaveResult.h"

#include <QFileDialog>
#include <QStringList>

#include "CP932Qt.h"
#include "Headless.h"
#include "KZNFileDialog.h"
#include "CP932Text.h"
#include "FileSystem.h"
#include "StringList.h"
#include "XBiff.h"
#include "XWriteBiff.h"

Z_DEFINE_COMMAND_CLASS(TzSaveToFile);
Z_DEFINE_COMMAND_CLASS(TzSaveToFileXLS);

namespace {

// "テキストファイル(*.txt)|*.txt|全て(*.*)|*.*" as the toolkit's name filters.
QStringList NameFilters(const std::string& Filter) {
    TStringList parts;
    for (size_t start = 0;;) {
        size_t bar = cp932::FindChar(Filter, '|', start);
        parts.Add(Filter.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    QStringList filters;
    for (int i = 0; i + 1 < parts.Count(); i += 2) {
        std::string desc = parts[i];
        size_t paren = cp932::FindChar(desc, '(');
        if (paren != std::string::npos) desc.erase(paren);
        filters << cp932::ToQString(desc + " (" + parts[i + 1] + ")");
    }
    return filters;
}

bool ShowFileDialog(TSaveResultDialog& D) {
    if (headless::Declined("保存するファイル名の選択（" + D.Title + "）")) return false;
    QFileDialog dialog(nullptr, cp932::ToQString(D.Title));
    filedialog::MakeJapanese(dialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(NameFilters(D.Filter));
    dialog.setDefaultSuffix(QString::fromUtf8(D.DefaultExt.c_str()));
    if (fs932::DirectoryExists(D.InitialDir))
        dialog.setDirectory(QString::fromUtf8(fs932::ToNative(D.InitialDir).c_str()));
    if (!D.FileName.empty()) dialog.selectFile(QString::fromUtf8(fs932::ToNative(D.FileName).c_str()));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    std::string chosen;
    // a substitute would write another file
    if (!fs932::FromNativeExact(dialog.selectedFiles().first().toUtf8().toStdString(), chosen))
        throw EFCreateError(fs932::UnusableNameMessage(chosen));
    D.FileName = std::move(chosen);
    return true;
}

// Steps shared by both commands: the dialog's settings, then the name given
// as Param 1 (taken as written: a relative name is relative to the process's
// working directory) or the one chosen in the dialog. False: nothing to save.
bool ChooseFileName(TCommand& Cmd, const char* Title, const char* Ext, const char* Filter, std::string& Name) {
    TSaveResultDialog& dialog = SaveResultDialog();
    dialog.InitialDir = Cmd.Host->GetActiveScriptFolder();
    dialog.Title = Title;
    dialog.DefaultExt = Ext;
    dialog.Filter = Filter;
    Name.clear();
    if (Cmd.Params[0].empty()) {
        if (!dialog.Execute()) return false;
        Name = dialog.FileName;
    } else {
        Name = Cmd.Params[0];
    }
    if (Name.empty()) return false;
    // a name with bytes CP932 does not map would be written under another
    // name; the refusal names it as written, before any extension is added
    if (!fs932::IsUsableName(Name)) throw EFCreateError(fs932::UnusableNameMessage(Name));
    Name = AddDefaultExt(Name, Ext);
    return true;
}

}  // namespace

bool TSaveResultDialog::Execute() { return Chooser ? Chooser(*this) : ShowFileDialog(*this); }

TSaveResultDialog& SaveResultDialog() {
    static TSaveResultDialog dialog;
    return dialog;
}

TXBiff& XBiff() {
    static TXBiff biff;
    return biff;
}

std::string AddDefaultExt(const std::string& Name, const std::string& Ext) {
    const size_t sep = cp932::FindLastCharOf(Name, "\\/:");
    const size_t dot = cp932::FindLastCharOf(Name, ".");
    if (dot != std::string::npos && (sep == std::string::npos || dot > sep)) return Name;
    return Name + "." + Ext;
}

TzSaveToFile::TzSaveToFile(IScriptHost* Host, const TParamsArr& Params) : TNativCommand(Host, Params) {
    Title = "結果テキストの保存";
    Help.Add("結果エディタの内容をファイルに保存します");
    Help.Add("  使用方法");
    Help.Add("    Param  : \"ファイル名\"");
    Help.Add("    （パラメータなしの場合は保存ファイル指定ダイアログが表示されます）");
}

void TzSaveToFile::Execute() {
    std::string name;
    if (!ChooseFileName(*this, "結果テキストを保存", "txt", "テキストファイル(*.txt)|*.txt|全て(*.*)|*.*", name)) return;
    Host->GetResultConsole().GetLines().SaveToFile(name);
}

TzSaveToFileXLS::TzSaveToFileXLS(IScriptHost* Host, const TParamsArr& Params) : TNativCommand(Host, Params) {
    Title = "結果テキストの保存(XLS)";
    Help.Add("結果エディタの内容をXLS形式でファイルに保存します");
    Help.Add("  使用方法");
    Help.Add("    Param  : \"ファイル名\"");
    Help.Add("    （パラメータなしの場合は保存ファイル指定ダイアログが表示されます）");
}

void TzSaveToFileXLS::Execute() {
    std::string name;
    if (!ChooseFileName(*this, "結果テキストを保存(XLS形式)", "xls", "XLSファイル(*.XLS)|*.xls|全て(*.*)|*.*", name))
        return;
    const TStringList lines = Host->GetResultConsole().GetLines();
    TWriteBiff writer(name, lines.Count(), TWriteBiff::MaxCols);
    TStringList values;  // comma text: Delimiter ',' and QuoteChar '"', kept between lines
    for (int i = 0; i < lines.Count(); ++i) {
        values.SetDelimitedText(lines[i]);  // an empty line gives no cell
        writer.WriteRow(i, values);
    }
    writer.SaveToFile();
}
