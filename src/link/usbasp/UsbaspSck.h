#pragma once

#include "UsbaspProtocol.h"

#include <cstdint>

namespace usbasp {

// The fastest SCK option the chip's crystal allows. The AT89S51/52 take SCK
// high and low for at least 8 crystal periods each (tSHSL, tSLSH); the
// USBasp's SPI gives each phase half a period, so SCK may run at a 16th of
// the crystal: 187.5 kHz at 3 MHz.
SckOption SckForCrystal(int64_t crystalHz);

} // namespace usbasp
