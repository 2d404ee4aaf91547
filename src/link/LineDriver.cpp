#include "LineDriver.h"

#include "CableSequence.h"
#include "CrystalTiming.h"
#include "ProgrammerSettings.h"
#include <Counter.h>
#include <Port.h>

#include <algorithm>
#include <limits>

namespace {

template <size_t N>
void PlayOn(LineDriver& driver, const std::array<CableStep, N>& steps)
{
    for (const CableStep& step : steps) {
        driver.WriteData(step.data);
        if (step.hold)
            driver.DelayMicroseconds(step.holdUs);
    }
}

// Without a usable counter frequency the driver times on the steady clock.
constexpr int64_t kSteadyFrequency = 1'000'000'000;

int64_t SteadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch()).count();
}

__extension__ typedef unsigned __int128 Wide;
constexpr int64_t kMaxTicks = std::numeric_limits<int64_t>::max();

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

LineDriver::Phases LineDriver::phases() const
{
    // A setting below what the chip takes would clock it faster than it
    // allows: the longer of the two stands.
    const uint64_t shortest = shortestPhaseNs_;
    return {std::max<uint64_t>(settings_.upTimeUs * uint64_t{1000}, shortest),
            std::max<uint64_t>(settings_.downTimeUs * uint64_t{1000}, shortest)};
}

void LineDriver::WriteData(uint8_t value)
{
    const int64_t steadyBefore = counterFrequency_ > 0 ? 0 : SteadyNs();
    const int64_t stamp = port_->writeData(settings_.lptBase, value);
    changeBegan_ = counterFrequency_ > 0 ? stamp : steadyBefore;
    // The line changed somewhere inside the access; once it has returned,
    // it surely has. The phase that begins here counts from now.
    anchor_ = Now();
    anchored_ = true;
}

uint8_t LineDriver::ReadStatus()
{
    return port_->readStatus(settings_.lptBase);
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
    // its own start or from the next line change.
    anchored_ = false;
}

LineDriver::Deadline LineDriver::DeadlineFrom(int64_t from, uint64_t ns) const
{
    const int64_t f = counterFrequency_ > 0 ? counterFrequency_ : kSteadyFrequency;
    // floor(ns * f / 1e9) + 1 ticks, in 128 bits so that no span and no
    // counter overflows the product; done once more than that have elapsed.
    const Wide ticks = Wide{ns} * static_cast<uint64_t>(f) / 1'000'000'000u + 2;
    Deadline d;
    d.at = SaturatingAdd(from, ticks > static_cast<Wide>(kMaxTicks) ? kMaxTicks : static_cast<int64_t>(ticks));
    d.us = static_cast<uint32_t>(std::min<uint64_t>((ns + 999) / 1000, std::numeric_limits<uint32_t>::max()));
    return d;
}

LineDriver::Deadline LineDriver::DeadlineAfterNs(uint64_t ns)
{
    if (anchored_)
        return DeadlineFrom(anchor_, ns);
    const int64_t from = Now();
    Deadline d = DeadlineFrom(from, ns);
    d.lastSeen = from;
    return d;
}

LineDriver::Deadline LineDriver::DeadlineAfter(uint32_t us)
{
    return DeadlineAfterNs(uint64_t{us} * 1000);
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

void LineDriver::Wait(uint64_t ns)
{
    const Deadline end = DeadlineAfterNs(ns);
    WaitUntil(end);
    // A wait that follows with no line change between counts from here.
    anchor_ = end.at;
    anchored_ = true;
}

void LineDriver::DelayMicroseconds(uint32_t us)
{
    Wait(uint64_t{us} * 1000);
}

void LineDriver::EnterProgramming()
{
    clockMask_ = PinMask(settings_.clockPin);
    dataMask_ = PinMask(settings_.dataPin);
    PlayOn(*this, ResetPulse(settings_));
}

void LineDriver::LeaveProgramming()
{
    PlayOn(*this, ReleaseSteps(settings_));
}

void LineDriver::ShiftOut(uint8_t value)
{
    const ProgrammerSettings& s = settings_;
    const Phases p = phases();
    for (int n = 7; n >= 0; --n) {
        // SCK falls in the same write that presents the next bit: the chip
        // samples MOSI on the rising edge that follows.
        const uint8_t down = s.idleByte ^ (((value >> n) & 1) ? dataMask_ : 0);
        WriteData(down);
        Wait(p.downNs);
        WriteData(down ^ clockMask_);
        Wait(p.upNs);
    }
    // MOSI back to rest with SCK low: a low phase like the others, as the
    // next SCK rise may be a read's.
    WriteData(s.idleByte);
    Wait(p.downNs);
}

uint8_t LineDriver::ShiftIn()
{
    const ProgrammerSettings& s = settings_;
    const Phases p = phases();
    uint8_t r = 0;
    for (int n = 7; n >= 0; --n) {
        WriteData(s.idleByte ^ clockMask_);
        // The chip moves MISO only after SCK falls, so the whole up phase
        // shows the same bit. It is read at the phase's end, when SCK has
        // been up its time even counted from the start of the access that
        // raised it (where a trace stamps that access): the line has had the
        // longest to settle. The fall still waits for the phase counted
        // from that access's end.
        WaitUntil(DeadlineFrom(changeBegan_, p.upNs));
        const uint8_t status = ReadStatus();
        Wait(p.upNs);
        WriteData(s.idleByte);
        Wait(p.downNs);
        r |= static_cast<uint8_t>((status & 0x80) >> (7 - n));
    }
    // The port inverts BUSY in status bit 7; the complement is the MISO level.
    return static_cast<uint8_t>(~r);
}
