#include "bench/Measure.h"

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>

int64_t NowNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return int64_t{t.tv_sec} * 1000000000 + t.tv_nsec;
}

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

long StatusKb(const char* key) {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (f == nullptr) return -1;
    char line[256];
    long kb = -1;
    const std::size_t n = std::strlen(key);
    while (std::fgets(line, sizeof line, f) != nullptr) {
        if (std::strncmp(line, key, n) == 0 && line[n] == ':') {
            kb = std::strtol(line + n + 1, nullptr, 10);
            break;
        }
    }
    std::fclose(f);
    return kb;
}

double Percentile(std::vector<int64_t> s, double p) {
    if (s.empty()) return 0;
    std::sort(s.begin(), s.end());
    const double rank = std::ceil(p / 100.0 * static_cast<double>(s.size()));
    const std::size_t i = rank < 1 ? 0 : static_cast<std::size_t>(rank) - 1;
    return static_cast<double>(s[std::min(i, s.size() - 1)]);
}

std::vector<int> ThreadIds() {
    std::vector<int> v;
    std::error_code e;
    for (const auto& t : std::filesystem::directory_iterator("/proc/self/task", e))
        v.push_back(std::atoi(t.path().filename().c_str()));
    std::sort(v.begin(), v.end());
    return v;
}

int64_t ThreadCpuNs(int tid) {
    const std::string path = "/proc/self/task/" + std::to_string(tid) + "/schedstat";
    FILE* f = std::fopen(path.c_str(), "r");
    if (f == nullptr) return 0;
    long long ns = 0;
    if (std::fscanf(f, "%lld", &ns) != 1) ns = 0;
    std::fclose(f);
    return ns;
}

int64_t ThreadsCpuNs(const std::vector<int>& tids) {
    int64_t sum = 0;
    for (int t : tids) sum += ThreadCpuNs(t);
    return sum;
}
