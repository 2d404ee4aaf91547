#include "LineDriver.h"

#include "ProgrammerSettings.h"
#include <Counter.h>
#include <Port.h>

#include <algorithm>
#include <limits>

namespace {

// Without a usable counter frequency the driver times on the steady clock.
constexpr int64_t kSteadyFrequency = 1'000'000'000;

int64_t SteadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch()).count();
}

int64_t SaturatingAdd(int64_t a, int64_t b)
{
    int64_t sum = 0;
    return __builtin_add_overflow(a, b, &sum) ? std::numeric_limits<int64_t>::max() : sum;
}

} // namespace

int64_t LineDriver::Now() const
{
    return counterFrequency_ > 0 ? currentCounter().now() : SteadyNs();
}

void LineDriver::WriteData(uint8_t value)
{
    const int64_t stamp = port_->writeData(settings_.lptBase, value);
    anchored_ = true;
    if (counterFrequency_ <= 0) {
        anchor_ = SteadyNs();
        return;
    }
    // The phase that begins here counts from the line change, which happens
    // at the same point of every access: so from just before the access.
    // But an access that took longer than the quickest one may have been
    // held up (an interrupt, the scheduler) before its line changed; the
    // phase then counts from that much later, so it is never cut short.
    const int64_t took = currentCounter().now() - stamp;
    const bool known = quickestWriteTicks_ >= 0;
    quickestWriteTicks_ = known ? std::min(quickestWriteTicks_, took) : took;
    // Before any access has been timed, the end of this one is all that is sure.
    anchor_ = stamp + (known ? took - quickestWriteTicks_ : took);
}

uint8_t LineDriver::ReadStatus()
{
    int64_t stamp = 0;
    const uint8_t status = port_->readStatus(settings_.lptBase, &stamp);
    if (counterFrequency_ > 0)
        readTicks_ = std::max<int64_t>(0, currentCounter().now() - stamp);
    return status;
}

bool LineDriver::PortReady(std::string* why)
{
    return port_->ready(settings_.lptBase, why);
}

void LineDriver::Close()
{
    port_->release();
}

bool LineDriver::Claim(std::chrono::milliseconds wait, std::string* why)
{
    return port_->claim(settings_.lptBase, wait, why);
}

void LineDriver::Unclaim()
{
    port_->unclaim();
}

std::string LineDriver::Describe()
{
    return port_->describe(settings_.lptBase);
}

std::string LineDriver::TakePortFault()
{
    return port_->takeFault();
}

void LineDriver::RefreshTimerFrequency()
{
    counterFrequency_ = currentCounter().frequency();
    // A new job, maybe on another port or counter: the next wait counts from
    // its own start or from the next line change, and accesses are timed
    // afresh.
    anchored_ = false;
    readTicks_ = 0;
    quickestWriteTicks_ = -1;
}

LineDriver::Deadline LineDriver::DeadlineAfter(uint32_t us)
{
    const int64_t f = counterFrequency_ > 0 ? counterFrequency_ : kSteadyFrequency;
    // floor(us * f / 1e6) + 1, split so that a fast counter cannot overflow
    // the product (4e9 us at 1 GHz is already 4e18).
    const int64_t whole = us / 1'000'000;
    const int64_t rest = us % 1'000'000;
    const int64_t ticks = whole * f + rest * f / 1'000'000 + 1;
    Deadline d;
    const int64_t from = anchored_ ? anchor_ : Now();
    if (!anchored_)
        d.lastSeen = from;
    // Done once more than `ticks` have elapsed.
    d.at = SaturatingAdd(from, ticks + 1);
    d.us = us;
    return d;
}

bool LineDriver::Passed(Deadline& d)
{
    const int64_t t = Now();
    if (t >= d.at)
        return true;
    if (t != d.lastSeen) {
        d.lastSeen = t;
        d.stalled = false;
        return false;
    }
    // A counter that stops advancing would never get there; once it has
    // stood still for the whole span by the steady clock, the time is up.
    const auto now = std::chrono::steady_clock::now();
    if (!d.stalled) {
        d.stalled = true;
        d.stalledSince = now;
        return false;
    }
    return now - d.stalledSince >= std::chrono::microseconds(d.us);
}

void LineDriver::WaitUntil(Deadline deadline)
{
    while (!Passed(deadline)) {
    }
}

void LineDriver::DelayMicroseconds(uint32_t us)
{
    const Deadline end = DeadlineAfter(us);
    WaitUntil(end);
    // A wait that follows with no line change between counts from here.
    anchor_ = end.at;
    anchored_ = true;
}

void LineDriver::EnterProgramming()
{
    const ProgrammerSettings& s = settings_;
    clockMask_ = PinMask(s.clockPin);
    dataMask_ = PinMask(s.dataPin);
    // Reset pulse: lines at rest, then reset moved away from rest for 1 ms and
    // back, so the chip sees a fresh RST rising edge and starts counting bits.
    WriteData(s.idleByte);
    DelayMicroseconds(12000);
    WriteData(s.idleByte ^ PinMask(s.resetPin));
    DelayMicroseconds(1000);
    WriteData(s.idleByte);
    DelayMicroseconds(s.resetTimeUs);
}

void LineDriver::LeaveProgramming()
{
    const ProgrammerSettings& s = settings_;
    const uint8_t dataBit = PinMask(s.dataPin);
    const uint8_t clockBit = PinMask(s.clockPin);
    WriteData(s.idleByte);
    DelayMicroseconds(1000);
    WriteData(s.idleByte ^ dataBit);
    DelayMicroseconds(1000);
    // The state options force their lines high with OR, whatever their rest level.
    uint8_t release = s.idleByte ^ PinMask(s.resetPin);
    if (s.dinState != 0)
        release |= dataBit;
    if (s.sckState != 0)
        release |= clockBit;
    WriteData(release);
    DelayMicroseconds(1000);
    WriteData(0xFF);
}

void LineDriver::ShiftOut(uint8_t value)
{
    const ProgrammerSettings& s = settings_;
    for (int n = 7; n >= 0; --n) {
        // SCK falls in the same write that presents the next bit: the chip
        // samples MOSI on the rising edge that follows.
        const uint8_t down = s.idleByte ^ (((value >> n) & 1) ? dataMask_ : 0);
        WriteData(down);
        DelayMicroseconds(s.downTimeUs);
        WriteData(down ^ clockMask_);
        DelayMicroseconds(s.upTimeUs);
    }
    WriteData(s.idleByte);
    DelayMicroseconds(2);
}

uint8_t LineDriver::ShiftIn()
{
    const ProgrammerSettings& s = settings_;
    uint8_t r = 0;
    for (int n = 7; n >= 0; --n) {
        WriteData(s.idleByte ^ clockMask_);
        // The chip moves MISO only after SCK falls, so the whole up phase
        // shows the same bit. The read starts as late as lets it end with the
        // phase: the line has had the longest to settle, as when sampling at
        // the end, and the read's own time is part of the phase, not added.
        const Deadline upEnd = DeadlineAfter(s.upTimeUs);
        Deadline readFrom = upEnd;
        readFrom.at -= readTicks_;
        WaitUntil(readFrom);
        const uint8_t status = ReadStatus();
        WaitUntil(upEnd);
        WriteData(s.idleByte);
        DelayMicroseconds(s.downTimeUs);
        r |= static_cast<uint8_t>((status & 0x80) >> (7 - n));
    }
    // The port inverts BUSY in status bit 7; the complement is the MISO level.
    return static_cast<uint8_t>(~r);
}
