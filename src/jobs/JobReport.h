#pragma once

#include <Device.h>

#include <cstdint>
#include <optional>
#include <string>

// What one run of a job did, for a summary line.
struct JobReport {
    bool succeeded = false;
    // The addresses handled, both included; start > finish when none.
    int32_t start = 0;
    int32_t finish = -1;
    int64_t read = 0;      // bytes read from the chip
    int64_t written = 0;   // bytes written to the chip
    int64_t skipped = 0;   // a write's bytes the chip already held
    int64_t differing = 0; // a compare's bytes that differ from the image
    // A compare's first differing byte; the write's byte that did not take.
    int32_t firstDifference = -1;
    // The address a stop request left unhandled; -1 when the job ran on.
    int32_t stoppedAt = -1;
    // Why the job failed: its first error message; empty when none was shown.
    std::string problem;
    // A chip other than the one selected answered, and the program knows it.
    std::optional<DeviceId> foundDevice;
};
