// Whole parameter files through the three readers Init calls, in their
// order. The first byte chooses the encoding: odd means the rest is taken as
// code page 1250 and written as UTF-8 (the reader converts it back), even
// means the rest is written as it is.
//
// Safety: a file may ask for any LOG directory, and the reader creates it
// when a log is enabled. The harness works in a private directory under the
// system's temporary directory (made its cwd) and empties it after every
// input; a file whose LOG directory is absolute or climbs out with ".." is
// not given to CtiNastaveni (the other two readers create nothing).
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "base/Cp1250.h"
#include "config/Ini.h"
#include "config/Model.h"
#include "config/ParameterFile.h"

namespace fs = std::filesystem;

namespace {

std::string g_adresar;  // the private directory
std::string g_soubor;   // the parameter file in it

void RemoveWorkDirectory() {
    std::error_code e;
    fs::remove_all(g_adresar, e);
}

// The LOG directory exactly as CtiNastaveni will read it.
bool DirectoryIsSafe(const std::string& soubor) {
    TIniFile ini;
    ini.Load(soubor);
    const std::string a = ini.Section("Logovací soubor"_cp).ReadString("Adresář LOG souborů"_cp, "/");
    if (a.empty() || a == "/") return true;  // exists already: nothing is created
    if (a.front() == '/') return false;
    for (const auto& cast : fs::path(a))
        if (cast == "..") return false;
    return true;
}

void CleanUp() {
    std::error_code e;
    for (const auto& z : fs::directory_iterator(fs::current_path(e), e)) {
        if (z.path().filename() == "p.ini") continue;
        fs::remove_all(z.path(), e);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string pattern = (fs::temp_directory_path() / "rv_fuzz_param.XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr || chdir(pattern.c_str()) != 0) std::abort();
    setenv("HOME", pattern.c_str(), 1);
    setenv("TMPDIR", pattern.c_str(), 1);
    g_adresar = pattern;
    g_soubor = pattern + "/p.ini";
    std::atexit(RemoveWorkDirectory);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::string content = (data[0] & 1) ? cp1250::ToUtf8(rest) : std::string(rest);
    {
        std::FILE* f = std::fopen(g_soubor.c_str(), "wb");
        if (f == nullptr) std::abort();
        if (!content.empty()) std::fwrite(content.data(), 1, content.size(), f);
        std::fclose(f);
    }
    // Kept between inputs (the readers reset them first): a channel table is
    // too large to allocate for every input.
    static const auto cfg = std::make_unique<TCFG>();
    static const auto rozhrani = std::make_unique<TPoleRozhrani>();
    static const auto channels = std::make_unique<TPoleKanal>();
    if (DirectoryIsSafe(g_soubor)) CtiNastaveni(g_soubor, *cfg);
    const TResult r = CtiRozhrani(g_soubor, *cfg, *rozhrani);
    const TResult k = CtiKanaly(g_soubor, *cfg, *rozhrani, *channels);
    if (r.Message.empty() || k.Message.empty()) std::abort();
    if (k.Ok && (cfg->PocetKanalu < 0 || cfg->PocetKanalu > 6099)) std::abort();
    CleanUp();
    return 0;
}
