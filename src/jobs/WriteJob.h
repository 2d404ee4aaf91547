#pragma once

#include "Job.h"

#include <vector>

// The write window's Start: writes a range of the image into the chip, skips
// bytes the chip already holds, reads each written byte back (up to four
// attempts), then sets the lock level.
class WriteJob : public Job {
public:
    // Changes trusts the chip copy where it knows the chip's byte; All reads
    // every byte of the range from the chip before deciding to write it.
    enum class Mode { Changes, All };

    WriteJob(ProgrammingSession& session, DeviceImage& image, JobFeedback& feedback, Mode mode);

    // lockLevel 1..3 locks the chip after the write, 0 or below sends no lock
    // instruction; where the chip reads its lock bits, they are checked.
    // True unless there was no port or no answer, the chip is not the one
    // selected or is locked, a byte failed to program ("Error programming
    // device" was shown), the lock did not take, the port failed on the way
    // or the feedback stopped it (no lock then); an empty range succeeds.
    bool run(std::optional<int32_t> start, std::optional<int32_t> finish, int lockLevel);

private:
    // Byte by byte over chips whose byte write erases the byte first.
    bool writeBytes(const JobRange& range);
    // Over chips that only clear bits: learns the chip whatever Read Before
    // Write says, plans, refuses what needs an erase, then writes in page
    // mode the pages most of which change and the rest byte by byte.
    bool writeWithoutAutoErase(const JobRange& range);
    // Reads what the copy does not know (all of it in All mode) into it.
    bool learnChip(const JobRange& range);
    // The chip's byte at a, from the copy or the chip; true when it already
    // equals the image.
    bool chipHolds(int32_t a);
    // Up to four attempts; true once the byte is written (and read back right
    // when read after write is on).
    bool program(int32_t a);
    // How many of the pending bytes from pending[i] on go in one page
    // instruction: 0 when pending[i] starts no page worth writing whole.
    size_t pageWorthWriting(const std::vector<int32_t>& pending, size_t i, const JobRange& range) const;
    // The page at `base` in one instruction, then read back; bytes that did
    // not take get their own byte attempts.
    bool programPage(int32_t base);
    // Reads the byte just written until the chip shows its write done; false
    // when the write time ran out first.
    bool awaitWriteEnd(int32_t a, uint8_t value);
    // How long a byte write may take: the chip family's datasheet limit, or
    // the "Written Time" setting where that stands for it.
    uint32_t byteWriteUs() const;
    void failed(int32_t a);

    Mode mode_;
};
