#include "SimBackend.h"

#include "ChipModel.h"

#include <At89s51And52.h>
#include <ChipFile.h>
#include <Counter.h>
#include <CrystalTiming.h>
#include <FileLock.h>
#include <PortHints.h>

#include <algorithm>
#include <filesystem>
#include <utility>

SimBackend::SimBackend(std::string chipFile, int64_t accessNs, std::optional<DeviceId> model, Selection selected)
    : chipFile_(std::move(chipFile)), fixedModel_(model), selected_(std::move(selected)),
      chip_(MakeChipModel(wantedModel(), 0)), cable_(*chip_), accessNs_(std::clamp<int64_t>(accessNs, 0, kMaxAccessNs))
{
    modelId_ = wantedModel();
}

SimBackend::~SimBackend()
{
    close();
}

DeviceId SimBackend::wantedModel() const
{
    if (fixedModel_)
        return *fixedModel_;
    return selected_ ? selected_() : DeviceId::AT89S53;
}

std::string SimBackend::fileFor(DeviceId id) const
{
    // One file per chip, as one socket holds one chip at a time: the
    // AT89S53's is FILE itself, as it always was; another chip that the
    // selection puts in the socket keeps its own beside it ("chip.s52.bin").
    if (chipFile_.empty() || fixedModel_ || id == DeviceId::AT89S53)
        return chipFile_;
    const std::string tag = DeviceById(id).tag;
    const size_t slash = chipFile_.rfind('/');
    const size_t dot = chipFile_.rfind('.');
    const bool extension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    return extension ? chipFile_.substr(0, dot) + "." + tag + chipFile_.substr(dot) : chipFile_ + "." + tag;
}

void SimBackend::insert(DeviceId id)
{
    // Another chip in the socket: the one that leaves keeps its file.
    unclaim();
    chip_ = MakeChipModel(id, crystalHz_);
    cable_.plug(*chip_);
    modelId_ = id;
}

void SimBackend::setCrystalHz(int64_t hz)
{
    crystalHz_ = hz;
    if (modelId_ != DeviceId::AT89S53)
        chip_->setTiming(sim::At89s51And52::datasheetTiming(ModelCrystalHz(hz)));
}

bool SimBackend::open(uint16_t base)
{
    base_ = base;
    if (wantedModel() != modelId_)
        insert(wantedModel());
    const std::string name = DeviceById(modelId_).name;
    description_ = "Port: simulated " + name + " at " + HexAddress(base);
    if (modelId_ != DeviceId::AT89S53)
        description_ += ", " + CrystalTiming(static_cast<uint32_t>(ModelCrystalHz(crystalHz_))).text() + " crystal";
    if (accessNs_ > 0)
        description_ += ", " + std::to_string(accessNs_) + " ns per access";
    usable_ = true;
    if (chipFile_.empty())
        return true;
    std::string error;
    if (!sim::CheckChipFile(fileFor(modelId_), &error)) {
        // A job on a chip that forgets what it was given would report a
        // write that no later run can find.
        description_ = noChipFile(error);
        usable_ = false;
        return false;
    }
    description_ += ", chip kept in " + fileFor(modelId_);
    return true;
}

std::string SimBackend::noChipFile(const std::string& error) const
{
    return "No port: simulated " + std::string(DeviceById(modelId_).name) + " at " + HexAddress(base_) +
           ": chip file " + fileFor(modelId_) + ": " + error;
}

bool SimBackend::claim(std::chrono::milliseconds wait, std::string* why)
{
    if (chipFile_.empty() || loaded_)
        return true;
    const std::string file = fileFor(modelId_);
    std::string error;
    std::string holder;
    auto refuse = [&](const std::string& text) {
        if (why)
            *why = text;
        lock_.release();
        return false;
    };
    // A lock needs a file to hold: a missing one is made erased first. The
    // chip is read again once it is ours, as another program may have
    // written it until a moment ago.
    if (!std::filesystem::exists(file) && !sim::LoadChipFile(*chip_, file, &error))
        return refuse(noChipFile(error));
    if (!lock_.take(file, wait, &holder, &error))
        return refuse(holder.empty() ? noChipFile(error) : BusyText(file, holder));
    if (!sim::LoadChipFile(*chip_, file, &error))
        return refuse(noChipFile(error));
    loaded_ = true;
    savedModification_ = chip_->modificationCount();
    return true;
}

void SimBackend::unclaim()
{
    saveIfChanged();
    loaded_ = false;
    lock_.release();
}

void SimBackend::close()
{
    unclaim();
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
        const bool wasProgramming = chip_->inProgramming();
        cable_.writeData(value, CounterNanoseconds(seen));
        // Keep the file current as soon as a job lets go of the chip.
        if (wasProgramming && !chip_->inProgramming())
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
    if (!loaded_ || chip_->modificationCount() == savedModification_)
        return;
    std::string error;
    const std::string file = fileFor(modelId_);
    // The new file is locked before it takes the name: no other program can
    // get in between two saves of one job.
    const bool saved = sim::SaveChipFile(*chip_, file, &error, [this](int fd) { lock_.also(fd); });
    lock_.settle(saved);
    if (saved) {
        savedModification_ = chip_->modificationCount();
        return;
    }
    fault_ = "The simulated chip could not be kept in " + file + ": " + error;
    description_ = "Port: simulated chip; saving " + file + " failed: " + error;
}

std::string SimBackend::takeFault()
{
    return std::exchange(fault_, std::string());
}
