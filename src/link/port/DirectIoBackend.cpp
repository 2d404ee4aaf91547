#include "DirectIoBackend.h"

#include "FileLock.h"
#include "PortHints.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define VORLANE_HAVE_PORT_IO 1
#endif

DirectIoBackend::~DirectIoBackend()
{
    close();
}

bool DirectIoBackend::open(uint16_t base)
{
    close();
    base_ = base;
#ifdef VORLANE_HAVE_PORT_IO
    // Data, status and control registers: three bytes from the base.
    if (ioperm(base, 3, 1) != 0) {
        failure_ = "direct I/O: " + ErrnoText(errno);
        description_ = NoPortText(base, failure_);
        return false;
    }
    granted_ = true;
    description_ = "Port: direct I/O at " + HexAddress(base);
    return true;
#else
    failure_ = "direct I/O is only available on x86";
    description_ = NoPortText(base, failure_);
    return false;
#endif
}

bool DirectIoBackend::claim(std::chrono::milliseconds wait, std::string* why)
{
    unclaim();
    const std::string name = lockFolder_ + "/vorlane-lpt-" + HexAddress(base_);
    const int fd = ::open(name.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    // Without a lock folder (a system that has no /run/lock) the job runs
    // unguarded, as every direct I/O program does.
    if (fd < 0)
        return true;
    std::string holder;
    if (!FileLock::TakeOpen(fd, wait, &holder)) {
        ::close(fd);
        if (why)
            *why = BusyText("The port at " + HexAddress(base_), holder);
        return false;
    }
    lockFd_ = fd;
    return true;
}

void DirectIoBackend::unclaim()
{
    if (lockFd_ >= 0)
        ::close(lockFd_);
    lockFd_ = -1;
}

void DirectIoBackend::close()
{
    unclaim();
#ifdef VORLANE_HAVE_PORT_IO
    if (granted_)
        ioperm(base_, 3, 0);
#endif
    granted_ = false;
}

void DirectIoBackend::write(uint16_t address, uint8_t value)
{
#ifdef VORLANE_HAVE_PORT_IO
    if (granted_ && address >= base_ && address < base_ + 3)
        outb(value, address);
#else
    (void)address;
    (void)value;
#endif
}

uint8_t DirectIoBackend::read(uint16_t address)
{
#ifdef VORLANE_HAVE_PORT_IO
    if (granted_ && address >= base_ && address < base_ + 3)
        return inb(address);
#else
    (void)address;
#endif
    return 0x80;
}
