#pragma once

#include <Device.h>

#include <PortChoice.h>
#include <ProgrammerSettings.h>

#include <string>

// What `vorlane-cli info` prints: the port line (the backend in use, or why
// none), the programmer, the chip, the parallel-port cable's address, pins
// and rest levels where it is the programmer, the timings in force, and
// where the settings come from.
std::string CliInfo(const PortChoice& choice, const std::string& portLine, const Device& device,
                    const ProgrammerSettings& settings, const std::string& settingsLocation);
