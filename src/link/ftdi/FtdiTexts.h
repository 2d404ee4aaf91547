#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What the FTDI link tells a user, each text saying what to do.
namespace ftdi {

// An FTDI device seen while looking for the cable.
struct SeenDevice {
    uint16_t product = 0;
    std::string description;
    std::string serial;
};

// The udev rules that let the plugdev group open the cables; the same lines
// as contrib/udev/60-vorlane-ftdi.rules.
extern const char kUdevRules[];

// " with serial X", or "" for the first cable found.
std::string PlaceText(const std::string& serial);
// The cable in use: its product, description and serial.
std::string CableText(const SeenDevice& cable);
// No cable (with `serial` when given): which FTDI devices are there instead.
std::string AbsentText(const std::string& serial, const std::vector<SeenDevice>& seen);
// A cable found that this user may not open.
std::string AccessText(const std::string& serial);
// The kernel's serial driver holds the cable and may not be detached.
std::string DriverText(const std::string& serial);
// Another program holds the cable.
std::string BusyText(const std::string& serial);
// The cable went away during the job.
std::string UnpluggedText(const std::string& serial);
// Anything else failed; `error` is libftdi's reason.
std::string TransferText(const char* what, const std::string& error);

} // namespace ftdi
