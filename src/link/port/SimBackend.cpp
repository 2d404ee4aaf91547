#include "SimBackend.h"

#include "Counter.h"
#include "PortHints.h"

#include <ChipFile.h>

#include <utility>

SimBackend::SimBackend(std::string chipFile)
    : chipFile_(std::move(chipFile)), cable_(chip_)
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
    if (chipFile_.empty())
        return true;
    if (!loaded_) {
        std::string error;
        if (!sim::LoadChipFile(chip_, chipFile_, &error)) {
            // A job on a chip that forgets what it was given would report a
            // write that no later run can find.
            description_ = "No port: simulated AT89S53 at " + HexAddress(base) + ": chip file " + chipFile_ +
                           ": " + error;
            return false;
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

int64_t SimBackend::nowNs()
{
    // The chip lives in the counter's time, so a test's virtual clock runs it too.
    return CounterNanoseconds(currentCounter().now());
}

void SimBackend::write(uint16_t address, uint8_t value)
{
    if (address != base_)
        return;
    const bool wasProgramming = chip_.inProgramming();
    cable_.writeData(value, nowNs());
    // Keep the file current as soon as a job lets go of the chip.
    if (wasProgramming && !chip_.inProgramming())
        saveIfChanged();
}

uint8_t SimBackend::read(uint16_t address)
{
    if (address != base_ + 1)
        return 0xFF;
    return cable_.readStatus(nowNs());
}

void SimBackend::saveIfChanged()
{
    if (!loaded_ || chip_.modificationCount() == savedModification_)
        return;
    std::string error;
    if (sim::SaveChipFile(chip_, chipFile_, &error)) {
        savedModification_ = chip_.modificationCount();
        return;
    }
    fault_ = "The simulated chip could not be kept in " + chipFile_ + ": " + error;
    description_ = "Port: simulated AT89S53; saving " + chipFile_ + " failed: " + error;
}

std::string SimBackend::takeFault()
{
    return std::exchange(fault_, std::string());
}
