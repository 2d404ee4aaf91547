#include "GpioTexts.h"

#include <cerrno>
#include <cstring>

namespace {

std::string Errno(int error)
{
    return std::string(std::strerror(error)) + " (errno " + std::to_string(error) + ")";
}

constexpr const char* kForm = "gpio:/dev/gpiochipN:rst=N,sck=N,mosi=N,miso=N";

} // namespace

std::string PinOnLine(const char* pin, uint32_t offset)
{
    return std::string(pin) + " " + std::to_string(offset);
}

std::string NoGpioChipText(const std::string& chip, const std::vector<std::string>& present)
{
    std::string text = "No GPIO lines: there is no " + chip;
    if (present.empty())
        return text + ", and this system has no GPIO character device at all (/dev/gpiochip*): it takes a board "
                      "with GPIO lines, such as a Raspberry Pi, and a kernel that offers them.";
    text += "; this system has ";
    for (size_t i = 0; i < present.size(); ++i)
        text += (i == 0 ? "" : ", ") + present[i];
    return text + ". Name the one the cable is on (" + kForm + "); gpiodetect tells them apart.";
}

std::string GpioOpenFailedText(const std::string& chip, int error)
{
    if (error == EACCES || error == EPERM)
        return "No GPIO lines: " + chip + " may not be opened by this user (permission denied). Join group gpio "
               "(sudo usermod -aG gpio $USER) and log in again; where there is no such group, give one access with a "
               "udev rule, in /etc/udev/rules.d/60-vorlane-gpio.rules:\n  SUBSYSTEM==\"gpio\", "
               "KERNEL==\"gpiochip*\", GROUP=\"gpio\", MODE=\"0660\"\nthen run \"sudo udevadm control --reload && "
               "sudo udevadm trigger\".";
    return "No GPIO lines: " + chip + " cannot be used as a GPIO chip: " + Errno(error) + ". Name a /dev/gpiochipN (" +
           kForm + ").";
}

std::string NoSuchLineText(const std::string& chip, uint32_t lines, const char* pin, uint32_t offset)
{
    return "No GPIO lines: " + chip + " has " + std::to_string(lines) + " lines, 0 to " +
           std::to_string(lines == 0 ? 0 : lines - 1) + ", and " + pin + " is given line " + std::to_string(offset) +
           ". Give each pin a line the chip has (gpioinfo lists them).";
}

std::string LineInUseText(const std::string& chip, const char* pin, uint32_t offset, const std::string& consumer)
{
    const std::string line = "line " + std::to_string(offset) + " (" + pin + ") of " + chip;
    if (consumer == "vorlane")
        return "The GPIO " + line + " is in use by another Vorlane's job: wait until it is done, then try again.";
    if (consumer.empty())
        return "No GPIO lines: " + line + " is in use by the kernel or another program, which gives no name. Free "
               "it, or wire " + pin + " to another line and name it (" + kForm + ").";
    std::string text = "No GPIO lines: " + line + " is in use by \"" + consumer + "\". ";
    if (consumer.starts_with("spi"))
        return text + "The SPI driver holds these pins: turn SPI off (dtparam=spi=off in /boot/config.txt, or "
                      "raspi-config > Interface Options > SPI) and reboot, or wire the cable to other lines.";
    return text + "Stop the program that holds it, or wire " + pin + " to another line and name it (" + kForm + ").";
}

std::string LineCannotDriveText(const std::string& chip, const char* pin, uint32_t offset, int error)
{
    return "No GPIO lines: line " + std::to_string(offset) + " (" + pin + ") of " + chip +
           " cannot be an output (" + Errno(error) + "). Wire " + pin + " to a line that can drive, and name it (" +
           kForm + ").";
}

std::string GpioChipGoneText(const std::string& chip, int error)
{
    return "The GPIO chip " + chip + " went away during the job (" + Errno(error) +
           "): what was done is not known. Check the board, then run the job again.";
}
