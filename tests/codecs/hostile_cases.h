// The lines of tests/codecs/data/hostile/expected.txt: what every load route must do with each
// crafted file of that folder.
#pragma once

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "lumetta_win.h"

struct HostileCase {
    std::string name;
    bool refuse = false;  // else the file loads
    long value = 0;       // the code of a refused file (from its file), or the pages of a loaded one
    long fromBytes = 0;   // the code from a byte array, a download or Base64 text
    std::string Extension() const { return name.substr(name.rfind('.') + 1); }
};

// Every case of the folder's list; none when the list cannot be read.
inline std::vector<HostileCase> HostileCases(const std::string& folder) {
    std::vector<HostileCase> cases;
    std::ifstream list(folder + "/expected.txt");
    std::string line;
    while (std::getline(list, line)) {
        std::istringstream words(line);
        HostileCase c;
        std::string verdict;
        if (!(words >> c.name >> verdict >> c.value) || c.name[0] == '#') continue;
        if (!(words >> c.fromBytes)) c.fromBytes = c.value;
        c.refuse = verdict == "refuse";
        cases.push_back(c);
    }
    return cases;
}

inline std::vector<BYTE> HostileFileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<BYTE>((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}
