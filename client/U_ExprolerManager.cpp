#include "U_ExprolerManager.h"

#include "FullPath.h"
#include "SysUtils.h"

void TExprolerManager::OpenFolder(const std::string& Folder, IShellOpener& Opener) {
    if (sys::Trim(Folder).empty()) return;
    try {
        // A full path: a bare relative name would be taken for a web address.
        Opener.Open(fs932::ExpandFileName(Folder));
    } catch (...) {
        // Not reported by design: a missing folder or a desktop that refuses
        // leaves the user with whatever the desktop shows.
    }
}
