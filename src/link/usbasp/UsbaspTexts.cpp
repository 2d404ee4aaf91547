#include "UsbaspTexts.h"

#include <cstdio>

namespace usbasp {

const char kUdevRule[] =
    R"(SUBSYSTEM=="usb", ATTR{idVendor}=="16c0", ATTR{idProduct}=="05dc", MODE="0660", GROUP="plugdev")";

namespace {

std::string Hex4(uint16_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value);
    return text;
}

} // namespace

std::string PlaceText(int bus, int address)
{
    if (bus == 0)
        return "";
    return " at USB bus " + std::to_string(bus) + " device " + std::to_string(address);
}

std::string AbsentText(int bus, int address, const std::vector<SeenDevice>& seen)
{
    std::string text = "No USBasp (USB ID 16C0:05DC) found" + PlaceText(bus, address) + ": ";
    if (seen.empty())
        return text + "no USB devices. Plug it in, or check that USB can be reached from here.";
    text += "the bus holds";
    const char* separator = " ";
    for (const SeenDevice& d : seen) {
        text += separator + Hex4(d.vendor) + ":" + Hex4(d.product) + " at " + std::to_string(d.bus) + ":" +
                std::to_string(d.address) + d.note;
        separator = ", ";
    }
    return text + ". Plug it in" + (bus == 0 ? "" : ", or name the BUS:DEVICE that lsusb shows for it") + ".";
}

std::string AccessText(int bus, int address)
{
    return "The USBasp" + PlaceText(bus, address) +
           " may not be opened by this user (permission denied). Give the plugdev group the USBasp with this "
           "udev rule, in /etc/udev/rules.d/60-vorlane-usbasp.rules (Vorlane installs it as "
           "lib/udev/rules.d/60-vorlane-usbasp.rules):\n  " +
           std::string(kUdevRule) +
           "\nthen run \"sudo udevadm control --reload && sudo udevadm trigger\", join the group with \"sudo "
           "usermod -aG plugdev $USER\", log in again and plug the USBasp in again.";
}

std::string BusyText(int bus, int address)
{
    return "The USBasp" + PlaceText(bus, address) +
           " is in use by another program: wait until its job is done, then try again.";
}

std::string FirmwareText()
{
    return "The USBasp answered, but the chip did not enter programming mode, and the USBasp's firmware does not "
           "say it drives the AT89S51/52: the stock USBasp firmware holds RST low, as AVRs want, and these chips "
           "need RST high. Flash the USBasp with a firmware that drives them (UsbAsp-flash_89S52, or Miles "
           "McCoo's usbasp 89s52); if it already has one, check power, the wiring and the crystal.";
}

std::string UnpluggedText(int bus, int address)
{
    return "The USBasp" + PlaceText(bus, address) +
           " went away during the job (unplugged?): plug it in again and run the job again; what was done is "
           "not known.";
}

std::string TransferText(const char* request, const std::string& error)
{
    return std::string("The USBasp did not complete a request (") + request + ": " + error +
           "): unplug it, plug it in again and run the job again.";
}

} // namespace usbasp
