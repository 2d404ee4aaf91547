#include "ThreeByteInstructions.h"

#include "CrystalTiming.h"
#include "FourByteInstructions.h"

bool ThreeByteInstructions::ProgrammingEnable()
{
    other_.reset();
    // AC 53 xx is the AT89S53's enable and the first three bytes of the
    // AT89S51/52's, which answer 69 during a fourth byte. That byte (MOSI at
    // rest: 00, or FF on a data line that rests high) and two more 00 make a
    // frame the AT89S53 has no instruction for: byte 1 of its reads and
    // writes ends in 01 or 10, of its erase and lock bits is AC. So the AT89S53 is enabled, unchanged and in step,
    // and a chip of the other family shows itself before any three-byte
    // instruction, which it would take out of step, reaches it. Either
    // family may hear this frame, so it goes no faster than the AT89S51/52's
    // crystal allows; the AT89S53's own instructions keep their settings.
    link_.SetShortestPhaseNs(CrystalTiming(crystalHz_).shortestPhaseNs());
    isp_.ProgrammingEnable();
    const uint8_t answer = link_.ShiftIn();
    link_.ShiftOut(0x00);
    link_.ShiftOut(0x00);
    if (answer != FourByteInstructions::kEnableAnswer) {
        link_.SetShortestPhaseNs(0);
        return true;
    }
    // Two more 00 end the AT89S51/52's frame (no instruction of theirs
    // either); enabled, it says what it is. Its signature read names no
    // flash address, so either chip's instructions serve.
    link_.ShiftOut(0x00);
    link_.ShiftOut(0x00);
    other_ = FourByteInstructions(DeviceById(DeviceId::AT89S52), link_, crystalHz_).ReadSignature();
    link_.SetShortestPhaseNs(0);
    return false;
}
