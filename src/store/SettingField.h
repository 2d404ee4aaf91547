#pragma once

#include <ProgrammerSettings.h>

#include <cstdint>
#include <span>
#include <string_view>

// One stored value of the settings and its field in the record: the store
// loads through these, and the terminal tool's one-run overrides take the
// same names and the same narrowing.
struct SettingField {
    const char* name; // the value name in the store, e.g. "Clock Pin"
    uint32_t (*get)(const ProgrammerSettings& settings);
    // Narrows as a load does: flags become 0 or 1, 8- and 16-bit fields keep
    // their low bits.
    void (*set)(ProgrammerSettings& settings, uint32_t value);
    // Whether the program can use the value; null when it can use any. A
    // load gives the default for a value it cannot, after narrowing; --set
    // refuses one, and `allowed` says which values it takes.
    bool (*usable)(uint32_t value) = nullptr;
    const char* allowed = nullptr;
};

// Every stored value, in the order a load reads them.
std::span<const SettingField> SettingFields();

// The field stored under `name` (exact spelling); null when there is none.
const SettingField* FindSettingField(std::string_view name);

// The pin fields: reset, clock and data, one data line each.
std::span<const SettingField* const> PinFields();
// Whether the reset, clock and data pins are three different lines: one
// line cannot carry two signals.
bool PinsApart(const ProgrammerSettings& settings);
