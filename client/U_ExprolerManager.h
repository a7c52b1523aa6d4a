// Shows a folder in the desktop's file browser, for instance the definition
// folder of an object tree node. Which browser window shows it (a new one or
// one already open) is the desktop's choice.
#pragma once
#include <string>

#include "ShellOpen.h"

class TExprolerManager {
public:
    // Shows Folder (CP932; relative names are taken from the process's
    // working folder) through Opener. Nothing is reported: a missing folder or
    // a desktop that refuses leaves the user with whatever the desktop shows.
    static void OpenFolder(const std::string& Folder, IShellOpener& Opener);
    // The same through the desktop's opener.
    static void OpenFolder(const std::string& Folder) { OpenFolder(Folder, DefaultShellOpener()); }
};
