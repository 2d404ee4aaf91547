#pragma once

#include "UsbaspFirmware.h"

#include <KeptChip.h>
#include <ModelClock.h>

#include <IspChip.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace usbmodel {

using ModelClock = model::ModelClock<CLOCK_THREAD_CPUTIME_ID>;

// One device on the modelled bus. Only a USBasp has firmware; the others are
// there to be listed.
struct UsbDevice {
    uint16_t vendor = 0;
    uint16_t product = 0;
    int bus = 1;
    int address = 1;
    std::string manufacturer;
    std::string productName;
    // udev gives this user no access: opening it is refused.
    bool denied = false;
    // Another program has claimed its interface.
    bool heldElsewhere = false;
    // Control transfers it serves before it is pulled out; -1: never.
    int unplugAfter = -1;
    bool gone = false;
    std::unique_ptr<UsbaspFirmware> firmware;
};

// The bus libusb sees, as libusb documents it, and the time on it: a full-
// speed host reaching a low-speed device, each control transfer taking
// `transferNs` besides 8-byte data packets at `packetNs` each and the
// firmware's own work. Tests set it up; vorlane-cli built with the model
// takes it from VORLANE_USB_MODEL ("stock" or "s5x", then ":s51" or ":s52",
// then ":FILE" keeping the chip's flash between runs).
class UsbWorld {
public:
    UsbWorld();
    ~UsbWorld();

    // Nothing plugged in, virtual time from 0, no costs, no counts.
    void reset();
    // A USBasp at bus 1 device 5 with this firmware, on this board.
    UsbDevice& plugUsbasp(UsbaspFirmware::Kind kind, Board board);
    UsbDevice& plug(uint16_t vendor, uint16_t product, int bus, int address, std::string manufacturer = {},
                    std::string productName = {});
    // From VORLANE_USB_MODEL, once, if the world is still empty.
    void configureFromEnvironment();
    // The chip of the environment's world back to its file.
    void save();

    ModelClock clock;
    std::vector<std::unique_ptr<UsbDevice>> devices;
    int64_t transferNs = 0;
    int64_t packetNs = 0;

    // What the host asked for: control transfers by request, and the time they took.
    std::map<uint8_t, int> requests;
    std::map<uint8_t, int64_t> requestTimeNs;
    int transfers = 0;
    int64_t transferTimeNs = 0;

private:
    KeptChip ownChip_;
    bool configured_ = false;
};

UsbWorld& World();

} // namespace usbmodel
