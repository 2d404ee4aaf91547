#include "Job.h"

#include <DeviceBytes.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr char kNoAnswer[] = "No answer from the chip: check power, the cable and the port";
// AT89S51 (2487D), AT89S52 (1919D) and AT89S53 datasheets, serial
// programming: with RST high, wait at least 10 ms before the first
// instruction.
constexpr uint32_t kResetSettleUs = 10000;
// Below this many wanted bytes a page costs more than reading them one by
// one: a page read clocks 258 bytes, a byte read 4.
constexpr int32_t kPageReadWorth = 64;

} // namespace

std::string Job::SignatureText(const std::array<uint8_t, 3>& s)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02X %02X %02X", s[0], s[1], s[2]);
    return text;
}

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

bool Job::openBracket(std::string_view done)
{
    link_.RefreshTimerFrequency();
    link_.EnterProgramming();
    return enable(done);
}

bool Job::enable(std::string_view done)
{
    readOtherThanFF_ = false;
    firstFF_ = -1;
    if (isp_->ProgrammingEnable())
        return true;
    const std::optional<std::array<uint8_t, 3>> other = isp_->OtherFamilyAnswered();
    // Silence here is never a blank or a matching chip.
    link_.LeaveProgramming();
    feedback_.progress(0);
    if (!other) {
        noAnswer();
        return false;
    }
    const Device* found = DeviceWithSignature(*other);
    std::string text = std::string("The chip does not answer as an ") + device_.name + ": it answers as ";
    if (found) {
        report_.foundDevice = found->id;
        text += std::string("an ") + found->name + " (signature " + SignatureText(*other) + "). Select the " +
                found->name + " in Tools > Select CI, or with --device " + found->tag + ".";
    } else {
        // Locked from level 2 up, it reads no signature.
        text += "an AT89S51 or AT89S52 (its signature reads " + SignatureText(*other) +
                "). Select that chip in Tools > Select CI, or with --device.";
    }
    error(text + " Nothing was " + std::string(done) + ".");
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

void Job::lockDidNotTake(int level)
{
    error("The lock bits did not take: the chip reports lock level " + std::to_string(level) + ".");
}

bool Job::chipIsSelected(std::string_view done, Use use)
{
    const std::optional<std::array<uint8_t, 3>> signature = isp_->ReadSignature();
    const int lockLevel = isp_->ReadLockLevel().value_or(0);
    hiddenSignature_ = false;
    const std::string level = std::to_string(lockLevel);
    const std::string nothing = " Nothing was " + std::string(done) + ".";
    if (signature && signature != device_.signature) {
        const Device* found = DeviceWithSignature(*signature);
        if (found) {
            report_.foundDevice = found->id;
            error(std::string("The chip is an ") + found->name + " (signature " + SignatureText(*signature) +
                  "), not the " + device_.name + " selected." + nothing);
            return false;
        }
        // Lock levels 2 and 3 disable verify, and with it the signature.
        if (lockLevel < 2) {
            error("The chip's signature reads " + SignatureText(*signature) + ", not the " + device_.name + "'s " +
                  SignatureText(*device_.signature) + "." + nothing);
            return false;
        }
        hiddenSignature_ = true;
        if (use == Use::Lock) {
            error("The chip is locked at level " + level + ", which hides what chip it is: erase it to unlock." +
                  nothing);
            return false;
        }
    }
    if (use == Use::Read && lockLevel >= 2) {
        error("The chip is locked at level " + level + ": its content cannot be read; erase it to unlock." + nothing);
        return false;
    }
    // Level 1 disables programming: the chip would ignore every byte.
    if (use == Use::Write && lockLevel >= 1) {
        error("The chip is locked at level " + level + ": it takes no more writes; erase it to unlock." + nothing);
        return false;
    }
    return true;
}

bool Job::openOnChip(std::string_view done, Use use)
{
    if (!openBracket(done))
        return false;
    if (chipIsSelected(done, use))
        return true;
    closeBracket();
    return false;
}

bool Job::closeBracket()
{
    link_.LeaveProgramming();
    feedback_.progress(0);
    return portKept();
}

bool Job::closeAnswered(bool answered)
{
    if (!closeBracket())
        return false;
    if (!answered)
        noAnswer();
    return answered;
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

std::optional<bool> Job::compareWithChip(std::optional<int32_t> start, std::optional<int32_t> finish,
                                         bool fillChipCopy)
{
    const JobRange range = enterRange(start, finish);
    // Taken into the image once the chip has shown it was there.
    std::vector<std::pair<int32_t, uint8_t>> read;
    readSpan(range.start, range.finish, [&](int32_t a, uint8_t v) {
        read.emplace_back(a, v);
        if (a % 32 == 0)
            feedback_.progress(a);
        return true;
    });
    if (report_.stoppedAt < 0 && !chipShowedItself())
        return std::nullopt;
    bool differs = false;
    for (const auto& [a, v] : read) {
        if (fillChipCopy)
            image_.chipCache[a] = v;
        const bool same = v == image_.buffer[a];
        image_.marks[a] = same ? MarkNone : MarkMismatch;
        if (!same && report_.differing++ == 0)
            report_.firstDifference = a;
        differs = differs || !same;
    }
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
            readOtherThanFF_ = readOtherThanFF_ || v != 0xFF;
            if (v == 0xFF && firstFF_ < 0)
                firstFF_ = b;
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

bool Job::chipShowedItself()
{
    if (isp_->EnableAnswers() || readOtherThanFF_ || firstFF_ < 0)
        return true;
    return chipAnswers(firstFF_);
}

bool Job::chipAnswers(int32_t address)
{
    // An erased chip and no chip at all both read 0xFF: MISO idles high
    // behind its pull-up, and a chip whose RST never rose (the reset line of
    // the wrong polarity) never drives it. Without an answer to the enable,
    // only Data Polling tells them apart: while a byte write is in progress
    // the chip returns the written byte's bit 7 inverted. Writing 0xFF over
    // a byte that reads 0xFF changes nothing, so the probe costs one write
    // cycle and no data.
    const ProgrammerSettings& s = settings_;
    // The probe's read must reach bit 7 well inside the write cycle, which
    // the written time stands for; with very slow clock settings it cannot,
    // and the read alone has to do.
    const uint64_t bitUs = uint64_t{s.upTimeUs} + s.downTimeUs;
    const uint64_t toBit7Us = 17 * bitUs + 2;
    if (toBit7Us * 2 > s.writtenTimeUs)
        return true;
    const auto at = static_cast<uint16_t>(address);
    isp_->WriteCodeByte(at, 0xFF);
    const uint8_t polled = isp_->ReadCodeByte(at);
    link_.DelayMicroseconds(s.writtenTimeUs);
    return (polled & 0x80) == 0;
}
