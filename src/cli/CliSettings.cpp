#include "CliSettings.h"

#include <SettingField.h>
#include <SettingsStore.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string_view>

namespace {

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

// The two checks of each write that vorlane-cli never leaves out.
bool AlwaysOn(std::string_view name)
{
    return name == "ReadAfterWrite" || name == "ReadBeforeWrite";
}

// The names --set takes (the shell's completion offers the same).
std::string Names()
{
    std::string names;
    for (const SettingField& f : SettingFields())
        if (!AlwaysOn(f.name))
            names += (names.empty() ? "" : ", ") + std::string("\"") + f.name + "\"";
    return names;
}

// The pin other than `pin` on the same line; null when there is none.
const SettingField* SharingWith(const ProgrammerSettings& s, const SettingField* pin)
{
    for (const SettingField* other : PinFields())
        if (other != pin && other->get(s) == pin->get(s))
            return other;
    return nullptr;
}

// The lines `pin` may take beside the other two: "D0, D3, D4, D5, D6 or D7".
std::string FreeLines(const ProgrammerSettings& s, const SettingField* pin)
{
    std::vector<std::string> lines;
    for (uint32_t line = 0; line <= 7; ++line) {
        ProgrammerSettings moved = s;
        pin->set(moved, line);
        if (!SharingWith(moved, pin))
            lines.push_back("D" + std::to_string(line));
    }
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i)
        text += (i == 0 ? "" : i + 1 == lines.size() ? " or " : ", ") + lines[i];
    return text;
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
    // What the store holds that the program cannot use is its default already.
    SettingsStore::Load(settings);
    for (const auto& [name, text] : overrides) {
        const SettingField* field = FindSettingField(name);
        const std::string what = "--set " + name + "=" + text;
        if (!field)
            return fail(what + ": unknown setting; the names are " + Names());
        if (AlwaysOn(name))
            return fail(what + ": vorlane-cli always reads each byte before writing it and reads it back after");
        uint32_t value = 0;
        if (!ParseValue(text, value))
            return fail(what + ": expected a number (decimal, or hexadecimal after 0x)");
        if (field->usable && !field->usable(value))
            return fail(what + ": " + field->allowed);
        field->set(settings, value);
    }
    // Checked once all are set, so that two pins can swap lines; the last
    // --set of a pin that shares its line is the one named.
    for (auto it = overrides.rbegin(); it != overrides.rend(); ++it) {
        const SettingField* pin = FindSettingField(it->first);
        const auto pins = PinFields();
        if (std::find(pins.begin(), pins.end(), pin) == pins.end())
            continue;
        if (const SettingField* other = SharingWith(settings, pin))
            return fail("--set " + it->first + "=" + it->second + ": D" + std::to_string(pin->get(settings)) +
                        " is the " + other->name + " already, and one line carries one signal: the " + pin->name +
                        " can be " + FreeLines(settings, pin) + " here");
    }
    settings.readBeforeWrite = 1;
    settings.readAfterWrite = 1;
    return true;
}
