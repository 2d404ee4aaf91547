// The GPIO link's system calls as the model kernel answers them, linked in
// their place with -Wl,--wrap.
#include "GpioWorld.h"

#include <Counter.h>

#include <algorithm>
#include <cstring>

using gpiomodel::World;

namespace {
// The host's waits and the model's time are one from the start.
const bool kClockInstalled = [] {
    SetCounterForTesting(&World().clock);
    return true;
}();
} // namespace

extern "C" {

int __wrap_GpioOpen(const char* path, int flags)
{
    return World().open(path, flags);
}

int __wrap_GpioIoctl(int fd, unsigned long request, void* arg)
{
    return World().ioctl(fd, request, arg);
}

int __wrap_GpioClose(int fd)
{
    return World().close(fd);
}

size_t __wrap_GpioChipNodes(char* buffer, size_t size)
{
    World().configureFromEnvironment();
    const std::string nodes = World().chipNodes();
    if (size > 0) {
        const size_t n = std::min(nodes.size(), size - 1);
        std::memcpy(buffer, nodes.data(), n);
        buffer[n] = '\0';
    }
    return nodes.size();
}

}
