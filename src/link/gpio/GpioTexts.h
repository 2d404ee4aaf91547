#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What the GPIO link says when it cannot have its lines, each with what to do.

// "RST 17"
std::string PinOnLine(const char* pin, uint32_t offset);

// No chip of that path; `present` lists the GPIO chips there are.
std::string NoGpioChipText(const std::string& chip, const std::vector<std::string>& present);
// The chip may not be opened by this user, or not at all.
std::string GpioOpenFailedText(const std::string& chip, int error);
// The chip has no line of that offset.
std::string NoSuchLineText(const std::string& chip, uint32_t lines, const char* pin, uint32_t offset);
// A line another consumer holds for good (a kernel driver) or for a job.
std::string LineInUseText(const std::string& chip, const char* pin, uint32_t offset, const std::string& consumer);
std::string LineCannotDriveText(const std::string& chip, const char* pin, uint32_t offset, int error);
std::string GpioChipGoneText(const std::string& chip, int error);
