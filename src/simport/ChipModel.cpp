#include "ChipModel.h"

#include <At89s51And52.h>
#include <At89s53.h>

int64_t ModelCrystalHz(int64_t hz)
{
    return hz > 0 ? hz : sim::At89s51And52::kDefaultCrystalHz;
}

std::unique_ptr<sim::SerialChip> MakeChipModel(DeviceId id, int64_t crystalHz)
{
    const sim::ChipTiming timing = sim::At89s51And52::datasheetTiming(ModelCrystalHz(crystalHz));
    switch (id) {
    case DeviceId::AT89S51:
        return std::make_unique<sim::At89s51And52>(sim::At89s51And52::Variant::S51, timing);
    case DeviceId::AT89S52:
        return std::make_unique<sim::At89s51And52>(sim::At89s51And52::Variant::S52, timing);
    case DeviceId::AT89S53:
        break;
    }
    return std::make_unique<sim::At89s53>();
}
