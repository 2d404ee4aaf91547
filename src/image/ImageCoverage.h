#pragma once

#include "DeviceImage.h"

#include <bitset>

// The addresses a file gave data for. A load fills it so that a terminal
// write or verify can keep to the file's own bytes: an Intel HEX file may
// leave gaps, and the image's bytes there are nobody's data.
using ImageCoverage = std::bitset<kImageCapacity>;
