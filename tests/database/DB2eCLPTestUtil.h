// Helpers of the DB2e CLP driver tests: a fresh current folder for the
// exchange files, files written and read by name, executable scripts.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include <sys/stat.h>

#include "FileSystem.h"
#include "TestUtil.h"

namespace clptest {

// Makes a fresh folder the current folder for the life of the object.
class CurrentFolder {
public:
    explicit CurrentFolder(const std::string& tag) : Old(fs932::GetCurrentDir()) {
        Dir = testutil::TempFolder(tag);
        EXPECT_TRUE(fs932::SetCurrentDir(Dir));
    }
    ~CurrentFolder() { fs932::SetCurrentDir(Old); }
    CurrentFolder(const CurrentFolder&) = delete;
    CurrentFolder& operator=(const CurrentFolder&) = delete;
    std::string Dir;   // CP932, with a trailing '/'

private:
    std::string Old;
};

inline void Write(const std::string& path, std::string_view bytes) { ASSERT_TRUE(fs932::WriteFileAtomic(path, bytes)); }

inline std::string Read(const std::string& path) {
    std::string bytes;
    EXPECT_TRUE(fs932::ReadFile(path, bytes)) << path;
    return bytes;
}

// A shell script that may be run.
inline void WriteScript(const std::string& path, std::string_view body) {
    Write(path, "#!/bin/sh\n" + std::string(body));
    ASSERT_EQ(chmod(fs932::ToNative(path).c_str(), 0755), 0);
}

}  // namespace clptest
