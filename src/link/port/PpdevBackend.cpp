#include "PpdevBackend.h"

#include "FileLock.h"
#include "ParportLocator.h"
#include "PortHints.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/file.h>
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
    fd_ = fd;
    description_ = "Port: " + device_ + " (ppdev) for LPT at " + HexAddress(base);
    return true;
}

bool PpdevBackend::claim(std::chrono::milliseconds wait, std::string* why)
{
    if (fd_ < 0)
        return false;
    // Our own lock first: PPCLAIM would sleep, silent and for as long as it
    // takes, until the program holding the port lets go.
    std::string holder;
    if (!FileLock::TakeOpen(fd_, wait, &holder)) {
        if (why)
            *why = BusyText(device_, holder);
        return false;
    }
    // Every register ioctl is refused until the port is claimed.
    if (ioctl(fd_, PPCLAIM) != 0) {
        const int error = errno;
        ::flock(fd_, LOCK_UN);
        if (why)
            *why = NoPortText(base_, device_ + ": claim failed: " + ErrnoText(error));
        return false;
    }
    claimed_ = true;
    // A port left in reverse (input) mode would not drive D0..D7.
    int forward = 0;
    ioctl(fd_, PPDATADIR, &forward);
    return true;
}

void PpdevBackend::unclaim()
{
    if (!claimed_)
        return;
    ioctl(fd_, PPRELEASE);
    ::flock(fd_, LOCK_UN);
    claimed_ = false;
}

void PpdevBackend::close()
{
    if (fd_ < 0)
        return;
    unclaim();
    ::close(fd_);
    fd_ = -1;
}

void PpdevBackend::write(uint16_t address, uint8_t value)
{
    if (!claimed_)
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
    if (!claimed_)
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
