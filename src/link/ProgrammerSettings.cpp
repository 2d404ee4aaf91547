#include "ProgrammerSettings.h"

#include "CrystalTiming.h"
#include "Device.h"

ProgrammerSettings DefaultProgrammerSettings()
{
    ProgrammerSettings s;
    s.lptBase = 0x378;
    s.readAfterWrite = 1;
    s.readBeforeWrite = 1;
    s.idleByte = 0;
    s.clockPin = 1;
    s.dataPin = 2;
    s.resetPin = 0;
    s.resetTimeUs = 50000;
    s.upTimeUs = 2;
    s.downTimeUs = 2;
    s.writtenTimeUs = 2600;
    s.sckState = 1;
    s.dinState = 1;
    s.doutState = 1;
    s.pollWriteEnd = 0;
    s.device = static_cast<uint32_t>(DeviceId::AT89S53);
    // The slowest crystal the datasheets allow: right for any board.
    s.crystalHz = CrystalTiming::kSlowestHz;
    s.firstRun = 1;
    return s;
}

uint8_t PinMask(uint8_t bit)
{
    // Shifting an 8-bit mask past bit 7 leaves nothing; avoid the oversized shift.
    return bit < 8 ? static_cast<uint8_t>(1u << bit) : 0;
}
