#include "U_ExprolerManager.h"

#include "FullPath.h"
#include "SysUtils.h"

void TExprolerManager::OpenFolder(const std::string& Folder, IShellOpener& Opener) {
    if (sys::Trim(Folder).empty()) return;
    try {
        // A full path: a bare relative name would be taken for a web address.
        Opener.Open(fs932::ExpandFileName(Folder));
    } catch (...) {
        // the desktop's refusal is not reported
    }
}
