// The program's file dialogs speak Japanese throughout: dates in the
// Japanese form and the type column ("フォルダ", "SQL ファイル") from the
// program itself, since Qt's own translations leave those in English.
#pragma once
#include <QFileDialog>

namespace filedialog {

// Sets Dialog's locale and type texts; call before it is shown.
void MakeJapanese(QFileDialog& Dialog);

}  // namespace filedialog
