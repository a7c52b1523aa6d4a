#include "U_ScriptFileDialog.h"

#include <utility>

#include <QFileDialog>

#include "CP932Qt.h"
#include "FileSystem.h"
#include "KZNFileDialog.h"
#include "KZNMessageDlg.h"
#include "Headless.h"

namespace {

TScriptFileDialog::TChooser& Chooser() {
    static TScriptFileDialog::TChooser chooser;
    return chooser;
}

QString Native(const std::string& Path) { return QString::fromUtf8(fs932::ToNative(Path).c_str()); }

}  // namespace

TScriptFileDialog::TChooser TScriptFileDialog::SetChooser(TChooser Value) { return std::exchange(Chooser(), std::move(Value)); }

bool TScriptFileDialog::Execute(QWidget* Parent) {
    if (Chooser()) return Chooser()(*this);
    if (headless::Declined((Save ? "保存するファイル名の選択（" : "開くファイルの選択（") + Title + "）")) return false;
    QFileDialog dialog(Parent, cp932::ToQString(Title));
    filedialog::MakeJapanese(dialog);
    dialog.setAcceptMode(Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    dialog.setNameFilters({QStringLiteral("SQL (*.sql *.txt *.Script)"), QString::fromUtf16(u"全て (*)")});
    if (fs932::DirectoryExists(InitialDir)) dialog.setDirectory(Native(InitialDir));
    if (!FileName.empty()) dialog.selectFile(Native(FileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    bool lossy = false;
    std::string chosen = cp932::FromUtf8(dialog.selectedFiles().first().toUtf8().toStdString(), &lossy);
    if (lossy) {
        // a substitute would reach another file
        MessageDlg("ファイル名に、シフトJISで表せない文字が含まれています。このファイルは使えません。\r\n" + chosen,
                   TMsgDlgType::mtError, Parent);
        return false;
    }
    FileName = std::move(chosen);
    return true;
}
