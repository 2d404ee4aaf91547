#include "CliSettings.h"

#include <CrystalTiming.h>
#include <SettingField.h>
#include <SettingsStore.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>

namespace {

bool IsPortBase(uint32_t base)
{
    // The window offers these three only; a base outside them could reach
    // another device's registers through direct I/O.
    return base == 0x278 || base == 0x378 || base == 0x3BC;
}

bool IsPin(std::string_view name)
{
    return name == "Clock Pin" || name == "Data Pin" || name == "Reset Pin";
}

// Decimal, or hexadecimal after 0x; the whole text, within 32 bits.
bool ParseValue(const std::string& text, uint32_t& value)
{
    if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ')
        return false;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    errno = 0;
    char* end = nullptr;
    const unsigned long long n = std::strtoull(text.c_str(), &end, hex ? 16 : 10);
    if (errno != 0 || *end != '\0' || n > UINT32_MAX)
        return false;
    value = static_cast<uint32_t>(n);
    return true;
}

std::string Names()
{
    std::string names;
    for (const SettingField& f : SettingFields())
        names += (names.empty() ? "" : ", ") + std::string("\"") + f.name + "\"";
    return names;
}

} // namespace

bool LoadCliSettings(ProgrammerSettings& settings,
                     const std::vector<std::pair<std::string, std::string>>& overrides, std::string* error)
{
    auto fail = [error](std::string text) {
        if (error)
            *error = std::move(text);
        return false;
    };
    SettingsStore::Load(settings);
    // As the window does at start: an unknown stored base means the default.
    if (!IsPortBase(settings.lptBase))
        settings.lptBase = 0x378;
    for (const auto& [name, text] : overrides) {
        const SettingField* field = FindSettingField(name);
        const std::string what = "--set " + name + "=" + text;
        if (!field)
            return fail(what + ": unknown setting; the names are " + Names());
        if (name == "ReadAfterWrite" || name == "ReadBeforeWrite")
            return fail(what + ": vorlane-cli always reads each byte before writing it and reads it back after");
        uint32_t value = 0;
        if (!ParseValue(text, value))
            return fail(what + ": expected a number (decimal, or hexadecimal after 0x)");
        if (name == "LPT" && !IsPortBase(value))
            return fail(what + ": the port address is 0x378 (888), 0x278 (632) or 0x3BC (956)");
        if (IsPin(name) && value > 7)
            return fail(what + ": a pin is a data line from 0 (D0) to 7 (D7)");
        if (name == "ResetActive" && value > 0xFF)
            return fail(what + ": the rest levels are one byte, 0 to 255");
        if (name == "Crystal" && !CrystalTiming::InRange(value))
            return fail(what + ": the AT89S51/52 crystal is 3000000 to 33000000 Hz (3 to 33 MHz)");
        field->set(settings, value);
    }
    settings.readBeforeWrite = 1;
    settings.readAfterWrite = 1;
    return true;
}
