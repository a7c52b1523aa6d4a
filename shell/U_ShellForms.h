// What the small windows of the shell share: their font, the application's
// icon, and the program's name and version for captions.
#pragma once
#include <string>

#include <QFont>
#include <QIcon>
#include <QString>

namespace shellforms {

// The font of the forms (IPA P Gothic, 9 points).
QFont FormFont();

// The application's icon: the one the application has set, or a drawn one.
QIcon ApplicationIcon();

// The running program's file version; empty when it cannot be read.
std::string ProgramFileVersion();

// CP932 text for a Qt widget, its CR LF and lone CR turned into line feeds.
QString ToDisplayText(const std::string& Text);

}  // namespace shellforms
