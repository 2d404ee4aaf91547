#include "LineDriver.h"

#include "ProgrammerSettings.h"
#include "port/Counter.h"
#include "port/Port.h"

#include <chrono>
#include <optional>

namespace {

LineDriver g_driver;

// Without a usable counter frequency, time the wait on the steady clock.
void SpinRealTime(uint32_t us)
{
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::microseconds(us);
    while (Clock::now() <= end) {
    }
}

} // namespace

LineDriver& lineDriver()
{
    return g_driver;
}

void ResetLineDriverForTesting()
{
    g_driver = LineDriver{};
}

void LineDriver::WriteData(uint8_t value)
{
    port().writeData(programmerSettings().lptBase, value);
}

uint8_t LineDriver::ReadStatus()
{
    return port().readStatus(programmerSettings().lptBase);
}

bool LineDriver::PortReady(std::string* why)
{
    return port().ready(programmerSettings().lptBase, why);
}

std::string LineDriver::TakePortFault()
{
    return port().takeFault();
}

void LineDriver::RefreshTimerFrequency()
{
    counterFrequency_ = currentCounter().frequency();
}

void LineDriver::DelayMicroseconds(uint32_t us)
{
    if (counterFrequency_ <= 0) {
        SpinRealTime(us);
        return;
    }
    // floor(us * f / 1e6) + 1, split so that a fast counter cannot overflow
    // the product (4e9 us at 1 GHz is already 4e18).
    const int64_t whole = us / 1'000'000;
    const int64_t rest = us % 1'000'000;
    const int64_t ticks = whole * counterFrequency_ + rest * counterFrequency_ / 1'000'000 + 1;
    Counter& counter = currentCounter();
    const int64_t t0 = counter.now();
    int64_t last = t0;
    // A counter that stops advancing would spin forever; once it has stood
    // still for the whole requested time by the steady clock, the wait is done.
    std::optional<std::chrono::steady_clock::time_point> stalledSince;
    for (;;) {
        const int64_t t = counter.now();
        if (t - t0 > ticks)
            return;
        if (t != last) {
            last = t;
            stalledSince.reset();
            continue;
        }
        const auto now = std::chrono::steady_clock::now();
        if (!stalledSince)
            stalledSince = now;
        else if (now - *stalledSince >= std::chrono::microseconds(us))
            return;
    }
}

void LineDriver::EnterProgramming()
{
    const ProgrammerSettings& s = programmerSettings();
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
    const ProgrammerSettings& s = programmerSettings();
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
    const ProgrammerSettings& s = programmerSettings();
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
    const ProgrammerSettings& s = programmerSettings();
    uint8_t r = 0;
    for (int n = 7; n >= 0; --n) {
        WriteData(s.idleByte ^ clockMask_);
        DelayMicroseconds(s.upTimeUs);
        // Sampled while SCK is still up: the chip changes MISO only after it falls.
        const uint8_t status = ReadStatus();
        WriteData(s.idleByte);
        DelayMicroseconds(s.downTimeUs);
        r |= static_cast<uint8_t>((status & 0x80) >> (7 - n));
    }
    // The port inverts BUSY in status bit 7; the complement is the MISO level.
    return static_cast<uint8_t>(~r);
}
