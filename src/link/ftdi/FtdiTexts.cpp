#include "FtdiTexts.h"

#include <cstdio>

namespace ftdi {

const char kUdevRules[] =
    R"(SUBSYSTEM=="usb", ATTR{idVendor}=="0403", ATTR{idProduct}=="6001", MODE="0660", GROUP="plugdev")"
    "\n"
    R"(SUBSYSTEM=="usb", ATTR{idVendor}=="0403", ATTR{idProduct}=="6014", MODE="0660", GROUP="plugdev")"
    "\n"
    R"(SUBSYSTEM=="usb", ATTR{idVendor}=="0403", ATTR{idProduct}=="6010", MODE="0660", GROUP="plugdev")";

namespace {

const char* ProductName(uint16_t product)
{
    switch (product) {
    case 0x6001: return "FT232R";
    case 0x6014: return "FT232H";
    case 0x6010: return "FT2232H";
    case 0x6011: return "FT4232H";
    case 0x6015: return "FT-X";
    default: return "FTDI";
    }
}

std::string Id(uint16_t product)
{
    char text[16];
    std::snprintf(text, sizeof text, "0403:%04X", product);
    return text;
}

bool Driven(uint16_t product)
{
    return product == 0x6001 || product == 0x6014 || product == 0x6010;
}

} // namespace

std::string PlaceText(const std::string& serial)
{
    return serial.empty() ? "" : " with serial " + serial;
}

std::string CableText(const SeenDevice& cable)
{
    std::string text = std::string(ProductName(cable.product)) + " (" + Id(cable.product) + ")";
    if (!cable.description.empty())
        text += " \"" + cable.description + "\"";
    if (!cable.serial.empty())
        text += " serial " + cable.serial;
    return text;
}

std::string AbsentText(const std::string& serial, const std::vector<SeenDevice>& seen)
{
    std::string text = "No FTDI cable (USB ID 0403:6001 FT232R, 0403:6014 FT232H or 0403:6010 FT2232H) found" +
                       PlaceText(serial) + ": ";
    if (seen.empty())
        return text + "no FTDI devices. Plug it in, or check that USB can be reached from here.";
    text += "the FTDI devices here are";
    const char* separator = " ";
    for (const SeenDevice& d : seen) {
        text += separator + CableText(d) + (Driven(d.product) ? "" : " (no synchronous bit-bang here)");
        separator = ", ";
    }
    return text + ". Plug it in" + (serial.empty() ? "" : ", or name the serial of one shown (ftdi:SERIAL)") + ".";
}

std::string AccessText(const std::string& serial)
{
    return "The FTDI cable" + PlaceText(serial) +
           " may not be opened by this user (permission denied). Give the plugdev group the FTDI cables with "
           "these udev rules, in /etc/udev/rules.d/60-vorlane-ftdi.rules (Vorlane installs them as "
           "lib/udev/rules.d/60-vorlane-ftdi.rules):\n" +
           std::string(kUdevRules) +
           "\nthen run \"sudo udevadm control --reload && sudo udevadm trigger\", join the group with \"sudo "
           "usermod -aG plugdev $USER\", log in again and plug the cable in again.";
}

std::string DriverText(const std::string& serial)
{
    return "The kernel's serial driver (ftdi_sio) holds the FTDI cable" + PlaceText(serial) +
           " as a /dev/ttyUSB port, and this user may not detach it: close any program using that port, or "
           "unload the driver with \"sudo rmmod ftdi_sio\", then run the job again.";
}

std::string BusyText(const std::string& serial)
{
    return "The FTDI cable" + PlaceText(serial) +
           " is in use by another program: wait until its job is done, then try again.";
}

std::string UnpluggedText(const std::string& serial)
{
    return "The FTDI cable" + PlaceText(serial) +
           " went away during the job (unplugged?): plug it in again and run the job again; what was done is "
           "not known.";
}

std::string TransferText(const char* what, const std::string& error)
{
    return std::string("The FTDI cable did not complete ") + what + " (" + error +
           "): unplug it, plug it in again and run the job again.";
}

} // namespace ftdi
