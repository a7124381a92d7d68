#include "support/TempDir.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

TTempDir::TTempDir() {
    std::string vzor = (std::filesystem::temp_directory_path() / "rvzr.XXXXXX").string();
    if (mkdtemp(vzor.data()) == nullptr) throw std::runtime_error("mkdtemp");
    cesta_ = vzor;
}

TTempDir::~TTempDir() {
    std::error_code e;
    std::filesystem::permissions(cesta_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, e);
    std::filesystem::remove_all(cesta_, e);
}

std::string CtiSoubor(const std::string& cesta) {
    std::ifstream f(cesta, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

void ZapisSoubor(const std::string& cesta, const std::string& obsah) {
    std::ofstream f(cesta, std::ios::binary | std::ios::trunc);
    f << obsah;
}

bool Existuje(const std::string& cesta) { return access(cesta.c_str(), F_OK) == 0; }
