#include "GpioSyscalls.h"

#include <fcntl.h>
#include <glob.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>

extern "C" {

int GpioOpen(const char* path, int flags)
{
    return ::open(path, flags);
}

int GpioIoctl(int fd, unsigned long request, void* arg)
{
    return ::ioctl(fd, request, arg);
}

int GpioClose(int fd)
{
    return ::close(fd);
}

size_t GpioChipNodes(char* buffer, size_t size)
{
    std::string list;
    glob_t found{};
    if (::glob("/dev/gpiochip*", 0, nullptr, &found) == 0)
        for (size_t i = 0; i < found.gl_pathc; ++i)
            list += std::string(found.gl_pathv[i]) + "\n";
    ::globfree(&found);
    if (size > 0) {
        const size_t n = std::min(list.size(), size - 1);
        std::memcpy(buffer, list.data(), n);
        buffer[n] = '\0';
    }
    return list.size();
}

}
