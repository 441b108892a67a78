// A folder of the test program's own for the files it writes (several builds may run the suites
// at once), removed when the program ends. Native builds only.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <stdlib.h>

namespace testsupport {

inline std::string TempPath(const std::string& name) {
    struct Folder {
        std::string path;
        Folder() {
            std::string pattern = testing::TempDir() + "lumetta_test_XXXXXX";
            path = std::string(mkdtemp(pattern.data())) + "/";
        }
        ~Folder() { std::filesystem::remove_all(path); }
    };
    static const Folder folder;
    return folder.path + name;
}

}  // namespace testsupport
