#include "FullPath.h"

#include <unistd.h>

#include <climits>
#include <vector>

#include "FileSystem.h"

namespace fs932 {

std::string ExpandFileName(std::string_view Path) {
    if (Path.empty()) return std::string();
    // Resolved on the native name, where a 0x5C byte is always a separator.
    std::string native = ToNative(Path);
    if (native[0] != '/') {
        char buf[PATH_MAX];
        if (!getcwd(buf, sizeof buf)) buf[0] = '\0';
        native = std::string(buf) + "/" + native;
    }
    std::vector<std::string_view> parts;
    std::string_view rest(native);
    while (!rest.empty()) {
        size_t slash = rest.find('/');
        std::string_view part = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    std::string full;
    full.reserve(native.size());
    for (std::string_view part : parts) {
        full += '/';
        full += part;
    }
    if (full.empty()) full = "/";
    return FromNative(full);
}

}  // namespace fs932
