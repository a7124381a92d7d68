#include "support/Text.h"

std::vector<std::string> Lines(const std::string& text, std::string_view unterminated) {
    std::vector<std::string> v;
    std::size_t from = 0;
    while (from < text.size()) {
        const auto i = text.find("\r\n", from);
        if (i == std::string::npos) {
            v.push_back(text.substr(from) + std::string(unterminated));
            break;
        }
        v.push_back(text.substr(from, i - from));
        from = i + 2;
    }
    return v;
}

int CountOf(std::string_view text, std::string_view part) {
    int n = 0;
    for (std::size_t i = text.find(part); i != std::string_view::npos; i = text.find(part, i + part.size())) ++n;
    return n;
}

bool ContainsLine(const std::vector<std::string>& lines, std::string_view line) {
    for (const auto& l : lines)
        if (l == line) return true;
    return false;
}

bool Matches(std::string_view t, std::string_view p) {
    if (p.empty()) return t.empty();
    if (p[0] == '#') {
        std::size_t n = 0;
        while (n < t.size() && t[n] >= '0' && t[n] <= '9') ++n;
        for (std::size_t k = n; k >= 1; --k)
            if (Matches(t.substr(k), p.substr(1))) return true;
        return false;
    }
    if (t.empty()) return false;
    if (p[0] == '[') {
        const auto z = p.find(']');
        if (p.substr(1, z - 1).find(t[0]) == std::string_view::npos) return false;
        return Matches(t.substr(1), p.substr(z + 1));
    }
    return t[0] == p[0] && Matches(t.substr(1), p.substr(1));
}

int CountMatchingLines(const std::string& log, std::string_view pattern) {
    int n = 0;
    for (const std::string& r : Lines(log)) {
        const auto i = r.find("] ");
        if (i != std::string::npos && Matches(std::string_view(r).substr(i + 2), pattern)) ++n;
    }
    return n;
}

::testing::AssertionResult ContainsAll(const std::string& text, std::initializer_list<std::string> parts) {
    std::string missing;
    for (const std::string& p : parts)
        if (!Contains(text, p)) missing += "\n  missing: " + p;
    if (missing.empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << missing << "\nin:\n" << text;
}
