#pragma once
// Timing and file helpers shared by the benchmark programs.

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>

namespace parvane::bench {

using Clock = std::chrono::steady_clock;

// Wall-clock seconds between two moments (up to now when to is left out).
inline double Seconds(Clock::time_point from, Clock::time_point to = Clock::now()) {
    return std::chrono::duration<double>(to - from).count();
}

// Processor time (user + system) of this process (RUSAGE_SELF) or of its finished children
// (RUSAGE_CHILDREN): unlike the wall clock it does not grow when other work shares the machine.
inline double CpuSeconds(int who) {
    rusage usage{};
    ::getrusage(who, &usage);
    auto sec = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return sec(usage.ru_utime) + sec(usage.ru_stime);
}

inline void Write(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

} // namespace parvane::bench
