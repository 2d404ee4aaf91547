#include "KeyboardLocks.h"

#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

KeyboardLocks KeyboardLocks::Read(const char* ledsRoot)
{
    KeyboardLocks locks;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(ledsRoot, ec)) {
        const std::string name = entry.path().filename().string();
        std::optional<bool>* slot = nullptr;
        if (name.ends_with("::capslock"))
            slot = &locks.caps;
        else if (name.ends_with("::numlock"))
            slot = &locks.num;
        else if (name.ends_with("::scrolllock"))
            slot = &locks.scroll;
        if (!slot)
            continue;
        std::ifstream in(entry.path() / "brightness");
        int brightness = 0;
        if (in >> brightness)
            *slot = slot->value_or(false) || brightness > 0; // any keyboard with the LED lit
    }
    return locks;
}
