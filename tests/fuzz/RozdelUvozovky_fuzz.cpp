// The quoted texts at the end of a channel declaration line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "config/ParameterFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const TThreeTexts t = RozdelUvozovky(text);
    const std::size_t total = t.First.size() + t.Second.size() + t.Third.size();
    if (total > text.size()) std::abort();
    for (const std::string* s : {&t.First, &t.Second, &t.Third})
        if (s->find('"') != std::string::npos) std::abort();
    return 0;
}
