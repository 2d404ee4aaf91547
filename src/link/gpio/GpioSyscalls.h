#pragma once

#include <cstddef>

// The one place the GPIO link reaches the kernel. Each call is the system
// call of its name and fails as it does (-1, errno set); tests link a model
// of the kernel's character device in their place (-Wl,--wrap), so these
// stay C names and stay out of their callers' unity batch.
extern "C" {
int GpioOpen(const char* path, int flags);
int GpioIoctl(int fd, unsigned long request, void* arg);
int GpioClose(int fd);
// The GPIO character devices there are ("/dev/gpiochip0\n/dev/gpiochip1\n"),
// sorted, written into `buffer` as far as it holds them, always
// NUL-terminated; returns the length the whole list needs.
size_t GpioChipNodes(char* buffer, size_t size);
}
