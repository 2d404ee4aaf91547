#include "CableLevels.h"

#include "ProgrammerSettings.h"

CableLevels LevelsFromData(uint8_t data, const ProgrammerSettings& s)
{
    CableLevels levels;
    levels.rst = ((data ^ s.idleByte) & PinMask(s.resetPin)) == 0;
    levels.sck = (data & PinMask(s.clockPin)) != 0;
    levels.mosi = (data & PinMask(s.dataPin)) != 0;
    return levels;
}

uint8_t StatusFromMiso(bool miso)
{
    return miso ? 0x7F : 0xFF;
}
