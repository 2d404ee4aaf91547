#include "WriteJob.h"

#include <algorithm>
#include <cstdio>
#include <span>

namespace {
constexpr int kAttempts = 4;
}

WriteJob::WriteJob(ProgrammingSession& session, DeviceImage& image, JobFeedback& feedback, Mode mode)
    : Job(session, image, feedback), mode_(mode)
{
}

bool WriteJob::run(std::optional<int32_t> start, std::optional<int32_t> finish, int lockLevel)
{
    report_ = {};
    // With read-after-write off nothing else would notice that no port is
    // there: the write would pass without a line having moved.
    if (!portReady() || !openBracket("written")) {
        error("Error programming device");
        return false;
    }
    // Never a write into a chip other than the one selected, nor into one
    // whose lock refuses it.
    if (!chipIsSelected("written", Use::Write)) {
        closeBracket();
        return false;
    }
    const JobRange range = enterRange(start, finish);
    const bool written = isp_->WriteErasesFirst() ? writeBytes(range) : writeWithoutAutoErase(range);
    // The lock instruction goes out even after a failure has released the
    // target; the release below then runs a second time. A stopped write is
    // one the user no longer wants finished, let alone locked.
    const bool stopped = report_.stoppedAt >= 0;
    const int wanted = std::min(lockLevel, 3);
    std::optional<int> locked;
    if (lockLevel > 0 && !stopped) {
        isp_->WriteLockBits(static_cast<uint8_t>(std::min(lockLevel, 255)));
        // Where the chip can tell, it says whether the bits took; a released
        // target tells nothing.
        if (written)
            locked = isp_->ReadLockLevel();
    }
    const bool kept = closeBracket();
    const bool lockTook = !locked || *locked >= wanted;
    if (kept && !lockTook)
        lockDidNotTake(*locked);
    report_.succeeded = kept && written && !stopped && lockTook;
    return report_.succeeded;
}

void WriteJob::failed(int32_t a)
{
    report_.firstDifference = a;
    error("Error programming device");
    link_.LeaveProgramming();
}

bool WriteJob::writeBytes(const JobRange& range)
{
    for (int32_t a = range.start; a <= range.finish; ++a) {
        if (a % 256 == 0)
            feedback_.progress(a);
        if (!handles(a))
            continue;
        if (stopBefore(a))
            break;
        image_.marks[a] = MarkNone;
        if (settings_.readBeforeWrite && chipHolds(a)) {
            ++report_.skipped;
            continue;
        }
        if (!program(a)) {
            failed(a);
            return false;
        }
        ++report_.written;
    }
    return true;
}

bool WriteJob::learnChip(const JobRange& range)
{
    // In runs, so that page mode can serve what is read.
    const auto unknown = [&](int32_t a) {
        return handles(a) && (mode_ == Mode::All || image_.chipCache[a] == ChipUnknown);
    };
    for (int32_t a = range.start; a <= range.finish; ++a) {
        if (!unknown(a))
            continue;
        int32_t b = a;
        while (b < range.finish && unknown(b + 1))
            ++b;
        const bool read = readSpan(a, b, [&](int32_t x, uint8_t v) {
            image_.chipCache[x] = v;
            return true;
        });
        if (!read)
            return false;
        a = b;
    }
    return true;
}

bool WriteJob::writeWithoutAutoErase(const JobRange& range)
{
    // Programming only clears bits, so every byte must be known to take its
    // value before the first one is written: what the chip copy does not
    // know is read, whatever Read Before Write says (that option only spares
    // reads on chips that erase each byte as they write it).
    if (!learnChip(range))
        return true; // stopped
    // Bytes read after the link failed are not the chip's: the failure is
    // what to report, not the erase they would seem to need.
    if (!portKept())
        return false;
    std::vector<int32_t> pending;
    for (int32_t a = range.start; a <= range.finish; ++a) {
        if (!handles(a))
            continue;
        image_.marks[a] = MarkNone;
        const int32_t chip = image_.chipCache[a];
        const uint8_t want = image_.buffer[a];
        if (chip == want) {
            ++report_.skipped;
            continue;
        }
        // A 1 the chip no longer has can come back only through a chip
        // erase. Found now, nothing is written rather than a part of the image.
        if ((want & ~chip) != 0) {
            char text[200];
            std::snprintf(text, sizeof text,
                          "The chip must be erased first: address %04X holds %02X, which cannot become %02X "
                          "(the %s only clears bits when it writes). Nothing was written.",
                          a, chip, want, device_.name);
            error(text);
            return false;
        }
        pending.push_back(a);
    }

    for (size_t i = 0; i < pending.size();) {
        const int32_t a = pending[i];
        if (stopBefore(a))
            break;
        if (a % 256 == 0)
            feedback_.progress(a);
        if (const size_t inPage = pageWorthWriting(pending, i, range)) {
            if (!programPage(a - a % isp_->PageSize()))
                return false;
            report_.written += static_cast<int64_t>(inPage);
            i += inPage;
            continue;
        }
        if (!program(a)) {
            failed(a);
            return false;
        }
        ++report_.written;
        ++i;
    }
    return true;
}

size_t WriteJob::pageWorthWriting(const std::vector<int32_t>& pending, size_t i, const JobRange& range) const
{
    // A page goes in one instruction when it lies whole in the range and
    // most of it changes, wherever in the page the changes lie; its other
    // bytes already hold their values (the chip copy knows them all), and
    // programming a byte again with what it holds changes nothing. A page
    // takes as long as its 256 byte writes, so a few changes are cheaper
    // alone. Decided at the page's first pending byte.
    const int page = isp_->WritesPages() ? isp_->PageSize() : 0;
    if (page <= 0)
        return 0;
    const int32_t base = pending[i] - pending[i] % page;
    if ((i > 0 && pending[i - 1] >= base) || base < range.start || base + page - 1 > range.finish)
        return 0;
    size_t inPage = 0;
    while (i + inPage < pending.size() && pending[i + inPage] < base + page)
        ++inPage;
    for (int32_t b = base; b < base + page; ++b)
        if (!handles(b))
            return 0;
    return inPage * 4 >= static_cast<size_t>(page) * 3 ? inPage : 0;
}

bool WriteJob::programPage(int32_t base)
{
    const int page = isp_->PageSize();
    const auto data = std::span<const uint8_t>(image_.buffer.data() + base, static_cast<size_t>(page));
    isp_->WriteCodePage(static_cast<uint16_t>(base), data);
    // The page programs one byte after another; Data Polling would see only
    // the byte in its cycle, so the page's whole time is waited.
    link_.DelayMicroseconds(isp_->PageWriteUs());
    if (!settings_.readAfterWrite) {
        std::copy(data.begin(), data.end(), image_.chipCache.begin() + base);
        return true;
    }
    std::vector<int32_t> missed;
    readSpan(base, base + page - 1, [&](int32_t a, uint8_t v) {
        image_.chipCache[a] = v;
        if (v != image_.buffer[a])
            missed.push_back(a);
        return true;
    });
    for (const int32_t a : missed) {
        if (!program(a)) {
            failed(a);
            return false;
        }
    }
    return true;
}

uint32_t WriteJob::byteWriteUs() const
{
    const uint32_t datasheet = isp_->ByteWriteUs();
    return datasheet > 0 ? datasheet : settings_.writtenTimeUs;
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
    const ProgrammerSettings& settings = settings_;
    for (int attempt = 1;; ++attempt) {
        isp_->WriteCodeByte(static_cast<uint16_t>(a), value);
        bool ended = true;
        if (settings.pollWriteEnd) {
            ended = awaitWriteEnd(a, value);
        } else {
            // The chip programs the byte on its own clock and takes no new
            // instruction for that byte until it is done.
            link_.DelayMicroseconds(byteWriteUs());
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
        link_.DelayMicroseconds(byteWriteUs());
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
    IspLink::Deadline bound = link_.DeadlineAfter(byteWriteUs());
    for (;;) {
        const bool last = link_.Passed(bound);
        const uint8_t polled = readChip(a);
        if (((polled ^ value) & 0x80) == 0)
            return true;
        if (last) {
            image_.chipCache[a] = polled;
            return false;
        }
    }
}
