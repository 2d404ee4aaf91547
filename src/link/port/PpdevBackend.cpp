#include "PpdevBackend.h"

#include "ParportLocator.h"
#include "PortHints.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

PpdevBackend::PpdevBackend(std::string device, std::string procRoot, std::string devRoot)
    : namedDevice_(std::move(device)), procRoot_(std::move(procRoot)), devRoot_(std::move(devRoot))
{
}

PpdevBackend::~PpdevBackend()
{
    close();
}

bool PpdevBackend::open(uint16_t base)
{
    close();
    base_ = base;
    device_ = namedDevice_.empty() ? FindParportDevice(base, procRoot_, devRoot_) : namedDevice_;
    if (device_.empty()) {
        description_ = NoPortText(base, "no /dev/parportN has that base (" + procRoot_ + ")");
        return false;
    }
    const int fd = ::open(device_.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        description_ = NoPortText(base, device_ + ": " + ErrnoText(errno));
        return false;
    }
    // Every register ioctl is refused until the port is claimed.
    if (ioctl(fd, PPCLAIM) != 0) {
        const int error = errno;
        ::close(fd);
        description_ = NoPortText(base, device_ + ": claim failed: " + ErrnoText(error));
        return false;
    }
    // A port left in reverse (input) mode would not drive D0..D7.
    int forward = 0;
    ioctl(fd, PPDATADIR, &forward);
    fd_ = fd;
    description_ = "Port: " + device_ + " (ppdev) for LPT at " + HexAddress(base);
    return true;
}

void PpdevBackend::close()
{
    if (fd_ < 0)
        return;
    ioctl(fd_, PPRELEASE);
    ::close(fd_);
    fd_ = -1;
}

void PpdevBackend::write(uint16_t address, uint8_t value)
{
    if (fd_ < 0)
        return;
    if (address == base_ && ioctl(fd_, PPWDATA, &value) != 0)
        noteFailure("writing the data register");
    else if (address == base_ + 2 && ioctl(fd_, PPWCONTROL, &value) != 0)
        noteFailure("writing the control register");
}

void PpdevBackend::noteFailure(const char* what)
{
    if (fault_.empty())
        fault_ = device_ + ": " + what + " failed: " + ErrnoText(errno);
}

std::string PpdevBackend::takeFault()
{
    std::string fault;
    fault.swap(fault_);
    return fault;
}

uint8_t PpdevBackend::read(uint16_t address)
{
    unsigned char value = 0x80; // as if nothing answered, like the none backend
    if (fd_ < 0)
        return value;
    // PPRSTATUS gives the raw register: BUSY is inverted in bit 7, as with inb.
    if (address == base_ + 1) {
        if (ioctl(fd_, PPRSTATUS, &value) != 0) {
            noteFailure("reading the status register");
            value = 0x80;
        }
    }
    else if (address == base_)
        ioctl(fd_, PPRDATA, &value);
    else if (address == base_ + 2)
        ioctl(fd_, PPRCONTROL, &value);
    return value;
}
