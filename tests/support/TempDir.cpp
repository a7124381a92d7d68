#include "support/TempDir.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>
#include <algorithm>

TTempDir::TTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "rvzr.XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
    path_ = pattern;
}

TTempDir::~TTempDir() {
    std::error_code e;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, e);
    std::filesystem::remove_all(path_, e);
}

std::string ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << content;
}

bool FileExists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

std::string ReadFilesStartingWith(const std::string& dir, std::string_view prefix) {
    std::vector<std::string> names;
    std::error_code e;
    for (const auto& f : std::filesystem::directory_iterator(dir, e)) {
        const std::string n = f.path().filename().string();
        if (n.rfind(prefix, 0) == 0) names.push_back(n);
    }
    std::sort(names.begin(), names.end());
    std::string all;
    for (const std::string& n : names) all += ReadFile(dir + "/" + n);
    return all;
}
