#include "CableSequence.h"

#include "ProgrammerSettings.h"

std::array<CableStep, 3> ResetPulse(const ProgrammerSettings& s)
{
    return {{{s.idleByte, 12000}, {static_cast<uint8_t>(s.idleByte ^ PinMask(s.resetPin)), 1000},
             {s.idleByte, s.resetTimeUs}}};
}

std::array<CableStep, 4> ReleaseSteps(const ProgrammerSettings& s)
{
    const uint8_t dataBit = PinMask(s.dataPin);
    const uint8_t clockBit = PinMask(s.clockPin);
    // The state options force their lines high with OR, whatever their rest level.
    uint8_t release = s.idleByte ^ PinMask(s.resetPin);
    if (s.dinState != 0)
        release |= dataBit;
    if (s.sckState != 0)
        release |= clockBit;
    return {{{s.idleByte, 1000},
             {static_cast<uint8_t>(s.idleByte ^ dataBit), 1000},
             {release, 1000},
             {0xFF, 0, false}}};
}
