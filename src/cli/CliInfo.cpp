#include "CliInfo.h"

#include "CliText.h"

#include <CrystalTiming.h>

#include <cstdio>

namespace {

std::string Line(const char* label, const std::string& value)
{
    char head[24];
    std::snprintf(head, sizeof head, "%-14s", label);
    return head + value + "\n";
}

std::string Pin(uint8_t pin)
{
    return pin <= 7 ? "D" + std::to_string(pin) : std::to_string(pin) + " (no data line: never moves)";
}

std::string Us(uint32_t us)
{
    return CountText(us) + " us";
}

} // namespace

std::string CliInfo(const PortChoice& choice, const std::string& portLine, const Device& device,
                    const ProgrammerSettings& s, const std::string& settingsLocation)
{
    char base[16];
    std::snprintf(base, sizeof base, "0x%03X", s.lptBase);
    char rest[64];
    std::snprintf(rest, sizeof rest, "0x%02X (\"-RST Inverted\" %s)", s.idleByte, s.idleByte == 0 ? "on" : "off");
    std::string text;
    // The port's own line: "Port: ..." or "No port: ...".
    text += portLine + "\n";
    text += Line("Programmer:", choice.programmer());
    // Another programmer names its own lines in the port line; the cable's
    // address and data pins mean nothing to it.
    const bool cable = choice.isCable();
    if (cable)
        text += Line("Port address:", base);
    text += Line("Device:", std::string(device.name) + " (" + std::to_string(device.flashSize) + " bytes)");
    if (cable) {
        text += Line("Pins:", "RST " + Pin(s.resetPin) + ", CLK " + Pin(s.clockPin) + ", DTA " + Pin(s.dataPin));
        text += Line("Rest levels:", rest);
    }
    text += Line("On release:", std::string("SCK ") + (s.sckState ? "high" : "at rest") + ", DATA " +
                                    (s.dinState ? "high" : "at rest"));
    // The AT89S51/52 wait their datasheet's write cycle, not the setting.
    const std::string afterWrite = device.family == InstructionFamily::ThreeByte
                                       ? Us(s.writtenTimeUs)
                                       : "the datasheet's write cycle";
    text += Line("Timing:", "reset " + Us(s.resetTimeUs) + ", clock up " + Us(s.upTimeUs) + ", clock down " +
                                Us(s.downTimeUs) + ", after each write " + afterWrite +
                                (s.pollWriteEnd ? " (or less, by Data Polling)" : ""));
    if (device.family == InstructionFamily::FourByte) {
        const CrystalTiming crystal(s.crystalHz);
        text += Line("Crystal:", crystal.text() + ": each SCK phase at least " +
                                     CountText(crystal.shortestPhaseNs()) + " ns, each byte write " +
                                     Us(crystal.byteWriteUs()));
    }
    text += Line("Writes:", "each byte read before writing and read back after (always)");
    text += Line("Settings:", settingsLocation);
    return text;
}
