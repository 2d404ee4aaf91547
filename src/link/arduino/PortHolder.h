#pragma once

#include <string>

// Which other process has `device` open, as "screen (PID 1234)": the first
// one found in /proc, or "" when none can be seen (a process of another
// user hides its open files from us).
std::string ProcessHolding(const std::string& device);
