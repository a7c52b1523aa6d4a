// Full path names: a relative name joined to the process's working folder,
// "." and ".." resolved by name (links are not followed).
#pragma once
#include <string>
#include <string_view>

namespace fs932 {

// Path (CP932; '\' and '/' both separate folders) as a full path with '/'
// separators and no trailing separator (the root stays "/"). A relative Path
// is taken from the process's current working folder; a ".." at the root
// stays at the root. An empty Path gives an empty text.
std::string ExpandFileName(std::string_view Path);

}  // namespace fs932
