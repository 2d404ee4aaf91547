#include "SimBackend.h"

#include "Counter.h"
#include "PortHints.h"

#include <ChipFile.h>

#include <algorithm>

SimBackend::SimBackend(std::string chipFile, int64_t accessNs)
    : chipFile_(std::move(chipFile)), cable_(chip_), accessNs_(std::clamp<int64_t>(accessNs, 0, PortChoice::kMaxAccessNs))
{
}

SimBackend::~SimBackend()
{
    close();
}

bool SimBackend::open(uint16_t base)
{
    base_ = base;
    description_ = "Port: simulated AT89S53 at " + HexAddress(base);
    if (accessNs_ > 0)
        description_ += ", " + std::to_string(accessNs_) + " ns per access";
    if (chipFile_.empty())
        return true;
    if (!loaded_) {
        std::string error;
        if (!sim::LoadChipFile(chip_, chipFile_, &error)) {
            description_ += " (chip file " + chipFile_ + ": " + error + "; not kept)";
            chipFile_.clear();
            return true;
        }
        loaded_ = true;
        savedModification_ = chip_.modificationCount();
    }
    description_ += ", chip kept in " + chipFile_;
    return true;
}

void SimBackend::close()
{
    saveIfChanged();
}

void SimBackend::spendAccessTime(int64_t seen)
{
    if (accessNs_ == 0)
        return;
    Counter& counter = currentCounter();
    const int64_t f = counter.frequency();
    if (f <= 0)
        return;
    // Whole ticks, rounded up (a cost of at most 1 ms cannot overflow).
    const int64_t ticks = (accessNs_ * f + 999'999'999) / 1'000'000'000;
    int64_t last = seen;
    while (last - seen < ticks) {
        const int64_t t = counter.now();
        if (t == last)
            return; // a counter that stands still measures no time
        last = t;
    }
}

// The chip sees an access as it begins, in the counter's time (so a test's
// virtual clock runs the chip too); the access then lasts its cost from
// there, the model's own work included, as a port's bus cycle does however
// late it started.
void SimBackend::write(uint16_t address, uint8_t value)
{
    const int64_t seen = currentCounter().now();
    if (address == base_) {
        const bool wasProgramming = chip_.inProgramming();
        cable_.writeData(value, CounterNanoseconds(seen));
        // Keep the file current as soon as a job lets go of the chip.
        if (wasProgramming && !chip_.inProgramming())
            saveIfChanged();
    }
    spendAccessTime(seen);
}

uint8_t SimBackend::read(uint16_t address)
{
    const int64_t seen = currentCounter().now();
    const uint8_t status = address == base_ + 1 ? cable_.readStatus(CounterNanoseconds(seen)) : 0xFF;
    spendAccessTime(seen);
    return status;
}

void SimBackend::saveIfChanged()
{
    if (!loaded_ || chip_.modificationCount() == savedModification_)
        return;
    std::string error;
    if (sim::SaveChipFile(chip_, chipFile_, &error))
        savedModification_ = chip_.modificationCount();
    else
        description_ = "Port: simulated AT89S53; saving " + chipFile_ + " failed: " + error;
}
