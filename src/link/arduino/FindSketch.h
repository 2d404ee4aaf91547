#pragma once

#include <cstdint>
#include <string>

class SerialPort;

// The ArduinoISP sketch brought into step on `port`, just opened on a board
// that may be resetting: true with the line quiet and the sketch waiting for
// a command, or false with *why saying what to check.
bool FindSketch(SerialPort& port, const std::string& device, uint32_t baud, std::string* why);
