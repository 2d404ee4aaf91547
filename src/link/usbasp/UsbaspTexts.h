#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What the USBasp link tells a user, each text saying what to do.
namespace usbasp {

// A device seen on the bus while looking for the USBasp.
struct SeenDevice {
    uint16_t vendor = 0;
    uint16_t product = 0;
    int bus = 0;
    int address = 0;
    // Why a device with the USBasp's IDs was not taken; empty for others.
    std::string note;
};

// The udev rule that lets the plugdev group open a USBasp; the same line as
// contrib/udev/60-vorlane-usbasp.rules.
extern const char kUdevRule[];

// The place a form names, or "" for the first USBasp found.
std::string PlaceText(int bus, int address);
// No USBasp (at `bus`:`address` when given): what the bus holds instead.
std::string AbsentText(int bus, int address, const std::vector<SeenDevice>& seen);
// A USBasp found that this user may not open.
std::string AccessText(int bus, int address);
// Another program holds the USBasp.
std::string BusyText(int bus, int address);
// The chip never answered its enable, and the firmware does not say it can
// drive these chips: most likely the stock firmware, which holds RST low.
std::string FirmwareText();
// The USBasp went away during the job.
std::string UnpluggedText(int bus, int address);
// A request failed otherwise; `error` is libusb's name for why.
std::string TransferText(const char* request, const std::string& error);

} // namespace usbasp
