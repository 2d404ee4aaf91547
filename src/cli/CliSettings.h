#pragma once

#include <ProgrammerSettings.h>

#include <string>
#include <utility>
#include <vector>

// The settings for one run of vorlane-cli: the store the window writes (read
// only, never written), then the --set overrides, then what the terminal
// tool always does: read each byte before writing it and read it back after.
// False, with *error naming the override, when an override is unknown or
// out of range.
bool LoadCliSettings(ProgrammerSettings& settings,
                     const std::vector<std::pair<std::string, std::string>>& overrides, std::string* error);
