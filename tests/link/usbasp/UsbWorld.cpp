#include "UsbWorld.h"


#include <cstdio>
#include <cstdlib>

namespace usbmodel {

UsbWorld::UsbWorld() = default;
UsbWorld::~UsbWorld() = default;

UsbWorld& World()
{
    static UsbWorld world;
    return world;
}

void UsbWorld::reset()
{
    devices.clear();
    clock.useRealTime(false);
    transferNs = 0;
    packetNs = 0;
    requests.clear();
    requestTimeNs.clear();
    transfers = 0;
    transferTimeNs = 0;
    ownChip_.reset();
    configured_ = true;
}

UsbDevice& UsbWorld::plug(uint16_t vendor, uint16_t product, int bus, int address, std::string manufacturer,
                          std::string productName)
{
    auto device = std::make_unique<UsbDevice>();
    device->vendor = vendor;
    device->product = product;
    device->bus = bus;
    device->address = address;
    device->manufacturer = std::move(manufacturer);
    device->productName = std::move(productName);
    devices.push_back(std::move(device));
    return *devices.back();
}

UsbDevice& UsbWorld::plugUsbasp(UsbaspFirmware::Kind kind, Board board)
{
    UsbDevice& device = plug(0x16C0, 0x05DC, 1, 5, "www.fischl.de", "USBasp");
    device.firmware = std::make_unique<UsbaspFirmware>(kind, board);
    return device;
}

void UsbWorld::configureFromEnvironment()
{
    if (configured_)
        return;
    configured_ = true;
    const char* text = std::getenv("VORLANE_USB_MODEL");
    if (!text || !*text)
        return;
    const std::string model = text;
    const auto first = model.find(':');
    const auto second = model.find(':', first == std::string::npos ? first : first + 1);
    const std::string kind = model.substr(0, first);
    const std::string chip = first == std::string::npos ? "" : model.substr(first + 1, second - first - 1);
    sim::IspChip& socket = ownChip_.make(chip, second == std::string::npos ? "" : model.substr(second + 1), "usb model");
    plugUsbasp(kind == "stock" ? UsbaspFirmware::Kind::Stock : UsbaspFirmware::Kind::S5x, Board{&socket});
}

void UsbWorld::save()
{
    ownChip_.save();
}

} // namespace usbmodel
