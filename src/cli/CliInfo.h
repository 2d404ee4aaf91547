#pragma once

#include <Device.h>

#include <ProgrammerSettings.h>

#include <string>

// What `vorlane-cli info` prints: the port line (the backend in use, or why
// none), the programmer, the chip, the cable's pins, rest levels and timings in force, and
// where the settings come from.
std::string CliInfo(const std::string& programmer, const std::string& portLine, const Device& device,
                    const ProgrammerSettings& settings, const std::string& settingsLocation);
