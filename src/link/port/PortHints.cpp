#include "PortHints.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

std::string HexAddress(uint16_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

std::string ErrnoText(int error)
{
    std::string text = std::string(std::strerror(error)) + " (errno " + std::to_string(error) + ")";
    switch (error) {
    case EACCES:
        text += "; join group lp (sudo usermod -aG lp $USER) and log in again";
        break;
    case EBUSY:
        text += "; the printer driver holds the port: sudo modprobe -r lp";
        break;
    case ENOENT:
    case ENODEV:
    case ENXIO:
        text += "; load the port driver: sudo modprobe parport_pc ppdev";
        break;
    case EPERM:
        text += "; direct I/O needs root or CAP_SYS_RAWIO";
        break;
    default:
        break;
    }
    return text;
}

std::string NoPortText(uint16_t base, const std::string& why)
{
    return "No parallel port at " + HexAddress(base) + ": " + why +
           ". Try VORLANE_PORT=ppdev:/dev/parportN, or VORLANE_PORT=sim for the simulated chip.";
}
