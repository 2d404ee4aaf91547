#pragma once

#include <optional>

// Caps, num and scroll lock as the kernel's keyboard LEDs show them
// (/sys/class/leds/*::capslock and so on). Unknown where there are none.
struct KeyboardLocks {
    std::optional<bool> caps, num, scroll;

    static KeyboardLocks Read(const char* ledsRoot = "/sys/class/leds");
};
