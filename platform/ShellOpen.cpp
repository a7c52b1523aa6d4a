#include "ShellOpen.h"

#include <QDesktopServices>
#include <QUrl>

#include "CP932Qt.h"

void TDesktopShellOpener::Open(const std::string& Target) {
    QString text = cp932::ToQString(Target);
    if (text.trimmed().isEmpty()) return;
    QDesktopServices::openUrl(QUrl::fromUserInput(text));
}

IShellOpener& DefaultShellOpener() {
    static TDesktopShellOpener opener;
    return opener;
}
