#include "KZNMessageDlg.h"

#include <utility>

#include <QApplication>
#include <QMessageBox>

#include "CP932Qt.h"
#include "FileSystem.h"
#include "Headless.h"

namespace {
TMessageDlgPresenter& Presenter() {
    static TMessageDlgPresenter presenter;
    return presenter;
}
}  // namespace

TMessageDlgPresenter SetMessageDlgPresenter(TMessageDlgPresenter presenter) {
    return std::exchange(Presenter(), std::move(presenter));
}

void MessageDlg(std::string_view text, TMsgDlgType type, QWidget* parent) {
    if (Presenter()) {
        Presenter()(std::string(text), type);
        return;
    }
    if (headless::NoDisplay()) {
        headless::ErrorLine(std::string(text));
        return;
    }
    QMessageBox::Icon icon = type == TMsgDlgType::mtError     ? QMessageBox::Critical
                             : type == TMsgDlgType::mtWarning ? QMessageBox::Warning
                                                              : QMessageBox::Information;
    QMessageBox box(icon, cp932::ToQString(fs932::ProgramBaseName()), cp932::ToQString(text), QMessageBox::Ok,
                    parent ? parent : QApplication::activeWindow());
    box.exec();
}
