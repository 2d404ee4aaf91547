#include "SerialChip.h"

#include "TimeMath.h"

#include <algorithm>

namespace sim {

namespace {
constexpr int64_t kNsPerSecond = 1'000'000'000;
constexpr int64_t kMaxOperationNs = INT64_MAX / 65536;
}

SerialChip::SerialChip(ChipTiming timing, int64_t minPhasePeriods, uint64_t noiseSeed)
    : minPhasePeriods_(minPhasePeriods), noise_(noiseSeed)
{
    setTiming(timing);
}

void SerialChip::setTiming(ChipTiming timing)
{
    // Up to about a day, so that a page of cycles still fits in int64.
    timing.writeCycleNs = std::clamp<int64_t>(timing.writeCycleNs, 0, kMaxOperationNs);
    timing.chipEraseNs = std::clamp<int64_t>(timing.chipEraseNs, 0, kMaxOperationNs);
    timing.crystalHz = std::clamp<int64_t>(timing.crystalHz, 1, kNsPerSecond);
    timing.resetSettleNs = std::max<int64_t>(timing.resetSettleNs, 0);
    timing_ = timing;
}

void SerialChip::setNeverPrograms(int address)
{
    const auto size = static_cast<int>(flashBytes().size());
    neverPrograms_ = (address >= 0 && address < size) ? address : -1;
}

void SerialChip::clearStats()
{
    stats_ = {};
    history_.clear();
}

bool SerialChip::phaseTooShort(int64_t phaseNs) const
{
    // The chip samples SCK with its own clock; the division rounds the
    // minimum up, so a phase of exactly that many periods passes.
    const int64_t minNs = (minPhasePeriods_ * kNsPerSecond + timing_.crystalHz - 1) / timing_.crystalHz;
    return phaseNs < minNs;
}

void SerialChip::drive(bool rst, bool sck, bool mosi, int64_t nowNs)
{
    const int64_t now = std::max(nowNs, lastNs_);
    lastNs_ = now;

    if (rst && !rst_) {
        rst_ = true;
        rstRiseNs_ = now;
        clockOpen_ = false;
        release();
        restartFrame();
    }
    if (sck != sck_) {
        // An edge that comes with RST falling is no clock: the interface
        // stops with RST.
        if (rst_ && rst) {
            if (sck)
                sckRise(mosi, now);
            else
                sckFall(now);
        }
        sck_ = sck;
        haveSckEdge_ = true;
        sckEdgeNs_ = now;
    }
    if (!rst && rst_) {
        // SCK still high as RST drops: the chip has seen the whole clock.
        if (clockOpen_)
            sckFall(now);
        rst_ = false;
        clockOpen_ = false;
        release();
        restartFrame();
    }
}

bool SerialChip::miso(int64_t nowNs)
{
    lastNs_ = std::max(nowNs, lastNs_);
    // Released, the pin sits at its reset latch value behind the pull-up.
    return rst_ ? misoLevel_ : true;
}

void SerialChip::sckRise(bool mosi, int64_t now)
{
    lowShort_ = haveSckEdge_ && phaseTooShort(elapsedSaturating(now, sckEdgeNs_));
    sampled_ = mosi;
    sampledNs_ = now;
    clockOpen_ = true;
}

void SerialChip::sckFall(int64_t now)
{
    if (!clockOpen_)
        return;
    clockOpen_ = false;
    Clocked clocked;
    clocked.garbled = lowShort_ || phaseTooShort(elapsedSaturating(now, sckEdgeNs_));
    clocked.bit = sampled_;
    if (clocked.garbled) {
        ++stats_.garbledClocks;
        clocked.bit = noise_.bit();
    }
    clocked.early = sampledNs_ < addSaturating(rstRiseNs_, timing_.resetSettleNs);
    clocked.nowNs = now;
    clockIn(clocked);
}

void SerialChip::present(uint8_t byte, int index, bool garbled)
{
    misoLevel_ = garbled ? noise_.bit() : ((byte >> index) & 1) != 0;
}

void SerialChip::record(InstructionKind kind, int address, uint8_t value, bool ignored,
                        const std::array<uint8_t, 4>& bytes, int length)
{
    ChipInstruction entry;
    entry.kind = kind;
    entry.address = address;
    entry.value = value;
    entry.ignored = ignored;
    entry.bytes = bytes;
    entry.length = length;
    if (entry.ignored) {
        ++stats_.ignored;
    } else {
        switch (entry.kind) {
        case InstructionKind::Enable: ++stats_.enables; break;
        case InstructionKind::ChipErase: ++stats_.erases; break;
        case InstructionKind::ReadCode: ++stats_.reads; break;
        case InstructionKind::WriteCode: ++stats_.writes; break;
        case InstructionKind::WriteLockBits: ++stats_.lockWrites; break;
        case InstructionKind::ReadLockBits: ++stats_.lockReads; break;
        case InstructionKind::ReadSignature: ++stats_.signatureReads; break;
        case InstructionKind::ReadPage: ++stats_.pageReads; break;
        case InstructionKind::WritePage: ++stats_.pageWrites; break;
        case InstructionKind::Unknown: ++stats_.ignored; break;
        }
    }
    if (history_.size() < historyLimit_)
        history_.push_back(entry);
}

} // namespace sim
