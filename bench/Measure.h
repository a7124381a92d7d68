// Clocks, CPU time, memory and order statistics for the benchmark.
#pragma once

#include <cstdint>
#include <vector>

int64_t NowNs();                    // monotonic
double CpuSeconds();                // user + system time of the whole process
long StatusKb(const char* key);     // a "kB" line of /proc/self/status, -1 if absent

// Threads of this process and the CPU time each has used (ns, schedstat).
std::vector<int> ThreadIds();
int64_t ThreadCpuNs(int tid);
int64_t ThreadsCpuNs(const std::vector<int>& tids);

// Percentile p (0..100) of samples, nearest rank; 0 for none.
double Percentile(std::vector<int64_t> samples, double p);
inline double Median(const std::vector<int64_t>& s) { return Percentile(s, 50); }
