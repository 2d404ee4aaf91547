#pragma once

// Wall time of a piece of work, and the share of it this process had the CPU:
// busy-waits run all the time, so a share well below 100 % means the machine
// was busy with something else and the wall figure carries that noise.
#include <chrono>
#include <ctime>

class Stopwatch {
public:
    Stopwatch() : wall_(std::chrono::steady_clock::now()), cpu_(CpuSeconds()) {}

    double wallUs() const
    {
        return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - wall_).count();
    }
    // Percent of the wall time spent on the CPU.
    double cpuShare() const { return 100.0 * (CpuSeconds() - cpu_) * 1e6 / wallUs(); }

private:
    static double CpuSeconds()
    {
        timespec ts{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
        return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
    }

    std::chrono::steady_clock::time_point wall_;
    double cpu_;
};
