#include "Job.h"

#include <DeviceBytes.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>

namespace {

constexpr char kNoAnswer[] = "No answer from the chip: check power, the cable and the port";
// AT89S51 (2487D), AT89S52 (1919D) and AT89S53 datasheets, serial
// programming: with RST high, wait at least 10 ms before the first
// instruction.
constexpr uint32_t kResetSettleUs = 10000;
// Below this many wanted bytes a page costs more than reading them one by
// one: a page read clocks 258 bytes, a byte read 4.
constexpr int32_t kPageReadWorth = 64;

std::string SignatureText(const std::array<uint8_t, 3>& s)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02X %02X %02X", s[0], s[1], s[2]);
    return text;
}

} // namespace

Job::Job(ProgrammingSession& session, DeviceImage& image, JobFeedback& feedback)
    : session_(session), settings_(session.settings()), image_(image), feedback_(feedback), link_(session.link()),
      device_(session.device()), isp_(session.instructions(&unsupported_))
{
}

bool Job::portReady()
{
    // A fresh start: nothing of an earlier job's port trouble counts here.
    link_.TakePortFault();
    std::string why;
    if (!link_.PortReady(&why)) {
        error(why);
        return false;
    }
    if (!isp_) {
        error(unsupported_);
        return false;
    }
    return true;
}

bool Job::openBracket()
{
    link_.RefreshTimerFrequency();
    link_.EnterProgramming();
    return enable();
}

bool Job::enable()
{
    if (isp_->ProgrammingEnable())
        return true;
    // Silence here is never a blank or a matching chip.
    link_.LeaveProgramming();
    feedback_.progress(0);
    noAnswer();
    return false;
}

void Job::noAnswer()
{
    // A link that knows why the chip was silent (a programmer whose firmware
    // cannot reach it, a device gone) says more than the silence does.
    const std::string fault = link_.TakePortFault();
    if (!fault.empty()) {
        error(fault);
        return;
    }
    // A chip spoken to before it has settled after reset ignores what it
    // hears, just as a missing one would: the setting is the likelier cause
    // (on the cable; a programmer times its own reset).
    if (link_.ClocksBits() && settings_.resetTimeUs < kResetSettleUs) {
        error("No answer from the chip: the Reset Time setting (" + std::to_string(settings_.resetTimeUs) +
              " us) is shorter than the " + std::to_string(kResetSettleUs) +
              " us the chip needs after reset before it takes an instruction; set it to " +
              std::to_string(kResetSettleUs) + " or more (the default is " +
              std::to_string(DefaultProgrammerSettings().resetTimeUs) + ")");
        return;
    }
    error(kNoAnswer);
}

bool Job::chipIsSelected(std::string_view done, bool lockedMayHide)
{
    const std::optional<std::array<uint8_t, 3>> signature = isp_->ReadSignature();
    if (!signature || signature == device_.signature)
        return true;
    // Lock levels 2 and 3 disable verify, and with it the signature.
    const int lockLevel = isp_->ReadLockLevel().value_or(0);
    if (lockedMayHide && lockLevel >= 2)
        return true;
    const Device* found = DeviceWithSignature(*signature);
    if (found)
        report_.foundDevice = found->id;
    std::string text;
    if (found)
        text = std::string("The chip is an ") + found->name + " (signature " + SignatureText(*signature) +
               "), not the " + device_.name + " selected.";
    else if (lockLevel >= 2)
        text = "The chip is locked (level " + std::to_string(lockLevel) + "), which hides its signature: erase it first.";
    else
        text = "The chip's signature reads " + SignatureText(*signature) + ", not the " + device_.name + "'s " +
               SignatureText(*device_.signature) + ".";
    error(text + " Nothing was " + std::string(done) + ".");
    return false;
}

bool Job::closeBracket()
{
    link_.LeaveProgramming();
    feedback_.progress(0);
    return portKept();
}

bool Job::portKept()
{
    const std::string fault = link_.TakePortFault();
    if (fault.empty())
        return true;
    // What came in after the link failed was no answer of the chip's: the
    // chip copy knows nothing of the job's range.
    const int32_t last = std::min(report_.finish, DeviceBytes(image_) - 1);
    for (int32_t a = std::max(report_.start, 0); a <= last; ++a)
        image_.chipCache[a] = ChipUnknown;
    error(fault);
    return false;
}

void Job::error(std::string_view text)
{
    // The first says what went wrong; later ones follow from it.
    if (report_.problem.empty())
        report_.problem = text;
    feedback_.message(text, "ERROR", JobFeedback::Buttons::Ok);
}

JobRange Job::rangeOf(std::optional<int32_t> start, std::optional<int32_t> finish) const
{
    return JobRange::Handled(start, finish, DeviceBytes(image_));
}

JobRange Job::enterRange(std::optional<int32_t> start, std::optional<int32_t> finish)
{
    const JobRange range = rangeOf(start, finish);
    report_.start = range.start;
    report_.finish = range.finish;
    feedback_.progressRange(range.start, range.finish);
    return range;
}

bool Job::compareWithChip(std::optional<int32_t> start, std::optional<int32_t> finish, bool fillChipCopy)
{
    const JobRange range = enterRange(start, finish);
    bool differs = false;
    readSpan(range.start, range.finish, [&](int32_t a, uint8_t v) {
        if (fillChipCopy)
            image_.chipCache[a] = v;
        const bool same = v == image_.buffer[a];
        image_.marks[a] = same ? MarkNone : MarkMismatch;
        if (!same) {
            if (report_.differing++ == 0)
                report_.firstDifference = a;
        }
        differs = differs || !same;
        if (a % 32 == 0)
            feedback_.progress(a);
        return true;
    });
    return differs;
}

bool Job::readSpan(int32_t from, int32_t to, const std::function<bool(int32_t, uint8_t)>& take)
{
    const int page = std::min(isp_->PageSize(), 256);
    std::array<uint8_t, 256> bytes{};
    for (int32_t a = from; a <= to;) {
        // One page (or the whole span without pages) at a time.
        const int32_t end = page > 0 ? std::min(to, a - a % page + page - 1) : to;
        int32_t wanted = 0;
        for (int32_t b = a; b <= end; ++b)
            wanted += handles(b);
        const bool wholePage = page > 0 && wanted > kPageReadWorth;
        if (wholePage) {
            if (stopBefore(a))
                return false;
            isp_->ReadCodePage(static_cast<uint16_t>(a), std::span<uint8_t>(bytes.data(), static_cast<size_t>(page)));
        }
        for (int32_t b = a; b <= end; ++b) {
            if (!handles(b))
                continue;
            if (!wholePage && stopBefore(b))
                return false;
            uint8_t v;
            if (wholePage) {
                ++report_.read;
                v = bytes[static_cast<size_t>(b % page)];
            } else {
                v = readChip(b);
            }
            if (!take(b, v))
                return false;
        }
        a = end + 1;
    }
    return true;
}

bool Job::stopBefore(int32_t address)
{
    if (!feedback_.stopRequested())
        return false;
    report_.stoppedAt = address;
    return true;
}

uint8_t Job::readChip(int32_t address)
{
    ++report_.read;
    return isp_->ReadCodeByte(static_cast<uint16_t>(address));
}
