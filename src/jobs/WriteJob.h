#pragma once

#include "Job.h"

// The write window's Start: writes a range of the image into the chip, skips
// bytes the chip already holds, reads each written byte back (up to four
// attempts), then sets the lock level.
class WriteJob : public Job {
public:
    // Changes trusts the chip copy where it knows the chip's byte; All reads
    // every byte of the range from the chip before deciding to write it.
    enum class Mode { Changes, All };

    WriteJob(DeviceImage& image, JobFeedback& feedback, Mode mode, LineDriver& driver = lineDriver());

    // lockLevel 1..3 locks the chip after the write, 0 or below sends no lock
    // instruction. True unless there was no port, a byte failed to program
    // ("Error programming device" was shown), the port failed on the way or
    // the feedback stopped it (no lock then); an empty range succeeds.
    bool run(std::optional<int32_t> start, std::optional<int32_t> finish, int lockLevel);

private:
    // The chip's byte at a, from the copy or the chip; true when it already
    // equals the image.
    bool chipHolds(int32_t a);
    // Up to four attempts; true once the byte is written (and read back right
    // when read after write is on).
    bool program(int32_t a);
    // Reads the byte just written until the chip shows its write done; false
    // when the written time ran out first.
    bool awaitWriteEnd(int32_t a, uint8_t value);

    Mode mode_;
};
