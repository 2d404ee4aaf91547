#include "VirtualCable.h"

namespace sim {

VirtualCable::VirtualCable(IspChip& chip, CableWiring wiring)
    : chip_(&chip), wiring_(wiring)
{
}

bool VirtualCable::line(uint8_t bit) const
{
    return bit < 8 && ((data_ >> bit) & 1) != 0;
}

void VirtualCable::writeData(uint8_t value, int64_t nowNs)
{
    data_ = value;
    if (target_ != Target::Present)
        return;
    bool rst = line(wiring_.resetBit);
    if (wiring_.resetBit < 8 && wiring_.resetInverted)
        rst = !rst;
    bool mosi = line(wiring_.dataBit);
    if (errors_.chance(errorProbability_))
        mosi = !mosi;
    chip_->drive(rst, line(wiring_.clockBit), mosi, nowNs);
}

uint8_t VirtualCable::readStatus(int64_t nowNs)
{
    bool level = true;
    switch (target_) {
    case Target::Present: level = chip_->miso(nowNs); break;
    case Target::AbsentPulledHigh: level = true; break;
    case Target::AbsentPulledLow: level = false; break;
    }
    if (errors_.chance(errorProbability_))
        level = !level;
    return level ? kStatusIdle : static_cast<uint8_t>(kStatusIdle | kStatusBusyBit);
}

void VirtualCable::setBitErrors(double probability, uint32_t seed)
{
    if (!(probability > 0.0))
        probability = 0.0;
    else if (probability > 1.0)
        probability = 1.0;
    errorProbability_ = probability;
    errors_.seed(seed);
}

} // namespace sim
