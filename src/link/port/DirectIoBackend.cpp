#include "DirectIoBackend.h"

#include "PortHints.h"

#include <cerrno>

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

void DirectIoBackend::close()
{
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
