// A folder of the test program's own for the files it writes (several builds may run the suites
// at once), removed when the program ends, and whole files in and out. Native builds only.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
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

// A subfolder of that folder, made when it is not there yet; its path ends without a slash.
inline std::string TempSubfolder(const std::string& name) {
    const std::string path = TempPath(name);
    std::filesystem::create_directories(path);
    return path;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteFile(const std::string& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
}

}  // namespace testsupport
