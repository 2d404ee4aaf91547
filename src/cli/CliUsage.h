#pragma once

#include <string>

// vorlane-cli --help.
std::string CliUsage();
