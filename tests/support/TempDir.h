// A temporary directory for log and parameter files, removed afterwards.
#pragma once

#include <string>
#include <string_view>

class TTempDir {
public:
    TTempDir();
    ~TTempDir();
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::string ReadFile(const std::string& path);           // empty when missing
void WriteFile(const std::string& path, const std::string& content);
bool FileExists(const std::string& path);
// The files of `dir` whose names start with `prefix`, in name order, concatenated.
std::string ReadFilesStartingWith(const std::string& dir, std::string_view prefix);
// Every daily log of interface k: a test that runs over midnight finds both.
inline std::string ReadInterfaceLogs(const std::string& dir, int k) {
    return ReadFilesStartingWith(dir, "Rv_zr6180_R" + std::to_string(k) + "_");
}
