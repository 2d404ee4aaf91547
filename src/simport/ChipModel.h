#pragma once

#include <Device.h>
#include <SerialChip.h>

#include <cstdint>
#include <memory>

// The model of chip `id`: an AT89S51/52 on a board with a crystal of
// `crystalHz`, or 0 for the 3 MHz default, where it takes the slowest clock
// and the longest write cycle.
std::unique_ptr<sim::SerialChip> MakeChipModel(DeviceId id, int64_t crystalHz = 0);

// The crystal a model runs on: `hz`, or the default for 0.
int64_t ModelCrystalHz(int64_t hz);
