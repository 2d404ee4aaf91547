#pragma once

#include <cstdint>
#include <string>

// Finds the /dev/parportN whose base address is `base`, from the kernel's
// /proc/sys/dev/parport/parportN/base-addr ("888\t1912": base, then ECP base).
// Returns an empty string when none matches. The roots are parameters so
// tests can use a fake tree.
std::string FindParportDevice(uint16_t base,
                              const std::string& procRoot = "/proc/sys/dev/parport",
                              const std::string& devRoot = "/dev");

// The base address the kernel lists for /dev/parportN, or -1 when unknown.
long ParportBase(const std::string& devicePath,
                 const std::string& procRoot = "/proc/sys/dev/parport");
