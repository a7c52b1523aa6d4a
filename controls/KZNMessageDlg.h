// Messages to the user: a modal message box over the active window. Code
// that runs without anyone to answer (tests, batch runs) installs a presenter
// that receives the texts instead.
#pragma once
#include <functional>
#include <string>
#include <string_view>

class QWidget;

enum class TMsgDlgType { mtWarning, mtError, mtInformation };

// Shows the CP932 text; returns once the user has closed the box.
void MessageDlg(std::string_view text, TMsgDlgType type, QWidget* parent = nullptr);

using TMessageDlgPresenter = std::function<void(const std::string& text, TMsgDlgType type)>;
// Installs a presenter and returns the one it replaced; an empty one restores the message box.
TMessageDlgPresenter SetMessageDlgPresenter(TMessageDlgPresenter presenter);
