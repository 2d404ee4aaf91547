#pragma once

#include <At89s53.h>
#include <Device.h>
#include <FileLock.h>
#include <PortBackend.h>
#include <SerialChip.h>
#include <VirtualCable.h>

#include <functional>
#include <memory>
#include <optional>

// A simulated chip on the default cable, at whatever base is asked for: the
// model the port names ("sim:s52"), or else the one of the device selected
// when the port opens (the AT89S53 when nobody says). With a file, the chip's
// flash lives in it between runs (a chip the selection brings keeps a file of
// its own beside it); a chip file that cannot be kept is no port at all,
// never a throwaway chip. A job's claim locks the file and reads the chip
// from it afresh, as another program may have changed it since the last
// job; the chip is saved when a job lets go of it, and the lock goes with
// the claim.
//
// An access cost makes every data write and status read busy-wait on the
// counter until it has taken that long, as a real port's bus cycle or ioctl
// does: about 1000 ns for direct I/O, 1900 ns for ppdev.
//
// The AT89S51/52 models run on a crystal ("sim:s52,xtal=12MHz"), by default
// the slowest their datasheets allow, 3 MHz, where they take the slowest
// clock and the longest write cycle.
class SimBackend : public PortBackend {
public:
    // The device selected, asked for at every open.
    using Selection = std::function<DeviceId()>;

    explicit SimBackend(std::string chipFile = {}, int64_t accessNs = 0, std::optional<DeviceId> model = {},
                        Selection selected = {});
    ~SimBackend() override;

    // The most an access may cost: a millisecond is already far beyond any real port.
    static constexpr int64_t kMaxAccessNs = 1'000'000;

    // The AT89S51/52 boards' crystal in Hz from now on, the chip in the
    // socket's too; 0 for the 3 MHz default. The AT89S53 keeps its own.
    void setCrystalHz(int64_t hz);

    bool open(uint16_t base) override;
    void close() override;
    bool claim(std::chrono::milliseconds wait, std::string* why) override;
    void unclaim() override;
    bool usable() const override { return usable_; }
    void write(uint16_t address, uint8_t value) override;
    uint8_t read(uint16_t address) override;
    std::string describe() const override { return description_; }
    std::string takeFault() override;
    // The chip stays in the socket whatever the base: one object serves all.
    bool servesEveryBase() const override { return true; }

    // The chip in the socket, as its model.
    sim::SerialChip& model() { return *chip_; }
    DeviceId modelId() const { return modelId_; }
    template <typename Model>
    Model& modelAs() { return dynamic_cast<Model&>(*chip_); }
    // The AT89S53 model, for tests of its own behaviour.
    sim::At89s53& chip() { return modelAs<sim::At89s53>(); }
    sim::VirtualCable& cable() { return cable_; }
    int64_t accessNs() const { return accessNs_; }

private:
    // The device the socket should hold now, and the file that keeps it.
    DeviceId wantedModel() const;
    std::string fileFor(DeviceId id) const;
    void insert(DeviceId id);
    void saveIfChanged();
    // Why there is no port: the chip file cannot be had.
    std::string noChipFile(const std::string& error) const;
    // Busy-waits until the access, seen by the chip at counter value `seen`,
    // has taken its cost.
    void spendAccessTime(int64_t seen);

    std::string chipFile_;
    std::string description_;
    std::optional<DeviceId> fixedModel_;
    Selection selected_;
    DeviceId modelId_ = DeviceId::AT89S53;
    std::unique_ptr<sim::SerialChip> chip_;
    sim::VirtualCable cable_;
    std::string fault_;
    int64_t accessNs_ = 0;
    int64_t crystalHz_ = 0;
    uint16_t base_ = 0;
    bool usable_ = true;
    // The chip is the file's, read at the claim: saved at the job's end.
    bool loaded_ = false;
    FileLock lock_;
    uint64_t savedModification_ = 0;
};
