#include "WriteJob.h"

#include <ProgrammerSettings.h>

#include <algorithm>

namespace {
constexpr int kAttempts = 4;
}

WriteJob::WriteJob(DeviceImage& image, JobFeedback& feedback, Mode mode, LineDriver& driver)
    : Job(image, feedback, driver), mode_(mode)
{
}

bool WriteJob::run(std::optional<int32_t> start, std::optional<int32_t> finish, int lockLevel)
{
    report_ = {};
    // With read-after-write off nothing else would notice that no port is
    // there: the write would pass without a line having moved.
    if (!portReady()) {
        error("Error programming device");
        return false;
    }
    openBracket();
    const JobRange range = enterRange(start, finish);
    bool written = true;
    for (int32_t a = range.start; a <= range.finish; ++a) {
        if (a % 256 == 0)
            feedback_.progress(a);
        if (!handles(a))
            continue;
        if (stopBefore(a))
            break;
        image_.marks[a] = MarkNone;
        if (programmerSettings().readBeforeWrite && chipHolds(a)) {
            ++report_.skipped;
            continue;
        }
        if (!program(a)) {
            report_.firstDifference = a;
            error("Error programming device");
            driver_.LeaveProgramming();
            written = false;
            break;
        }
        ++report_.written;
    }
    // The lock instruction goes out even after a failure has released the
    // target; the release below then runs a second time. A stopped write is
    // one the user no longer wants finished, let alone locked.
    const bool stopped = report_.stoppedAt >= 0;
    if (lockLevel > 0 && !stopped)
        isp_.WriteLockBits(static_cast<uint8_t>(std::min(lockLevel, 255)));
    report_.succeeded = closeBracket() && written && !stopped;
    return report_.succeeded;
}

bool WriteJob::chipHolds(int32_t a)
{
    // Reading is far cheaper than a write and its programming wait, so a byte
    // the chip already holds is not written again.
    int32_t& known = image_.chipCache[a];
    if (known == ChipUnknown || mode_ == Mode::All)
        known = readChip(a);
    return known == image_.buffer[a];
}

bool WriteJob::program(int32_t a)
{
    const uint8_t value = image_.buffer[a];
    const ProgrammerSettings& settings = programmerSettings();
    for (int attempt = 1;; ++attempt) {
        isp_.WriteCodeByte(static_cast<uint16_t>(a), value);
        bool ended = true;
        if (settings.pollWriteEnd) {
            ended = awaitWriteEnd(a, value);
        } else {
            // The chip programs the byte on its own clock and takes no new
            // instruction for that byte until it is done.
            driver_.DelayMicroseconds(settings.writtenTimeUs);
        }
        if (ended) {
            if (!settings.readAfterWrite) {
                image_.chipCache[a] = value;
                return true;
            }
            const uint8_t back = readChip(a);
            image_.chipCache[a] = back;
            if (back == value)
                return true;
        }
        // A byte still in its write cycle reads back wrong; give it another
        // cycle before writing again (or before giving up on it).
        driver_.DelayMicroseconds(settings.writtenTimeUs);
        if (attempt == kAttempts)
            return false;
    }
}

bool WriteJob::awaitWriteEnd(int32_t a, uint8_t value)
{
    // Data Polling: while the chip's self-timed write cycle runs, a read of
    // the byte being written gives bit 7 inverted; once the cell holds the
    // new value the true bit 7 comes back. So the byte is read until bit 7
    // is right, which ends the wait as soon as the chip is done instead of
    // after the longest time a write may take. That time, counted from the
    // end of the write instruction, still bounds it: a byte whose bit 7 is
    // still wrong on a read begun after it did not program.
    LineDriver::Deadline bound = driver_.DeadlineAfter(programmerSettings().writtenTimeUs);
    for (;;) {
        const bool last = driver_.Passed(bound);
        const uint8_t polled = readChip(a);
        if (((polled ^ value) & 0x80) == 0)
            return true;
        if (last) {
            image_.chipCache[a] = polled;
            return false;
        }
    }
}
