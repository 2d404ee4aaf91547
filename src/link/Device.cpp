#include "Device.h"

#include <algorithm>

namespace {

constexpr std::array<uint8_t, 3> kAtmel51 = {0x1E, 0x51, 0x06};
constexpr std::array<uint8_t, 3> kAtmel52 = {0x1E, 0x52, 0x06};

// Signatures: AT89S51 datasheet 2487D and AT89S52 datasheet 1919D, "Reading
// the Signature Bytes": 000H = 1EH (Atmel), 100H = 51H/52H, 200H = 06H.
const Device kDevices[] = {
    {DeviceId::AT89S51, "AT89S51", "s51", 0x1000, InstructionFamily::FourByte, kAtmel51, "AT89S51 ISP",
     "MCS51 4Kx8 FLASH 128x8 RAM", "1E5106"},
    {DeviceId::AT89S52, "AT89S52", "s52", 0x2000, InstructionFamily::FourByte, kAtmel52, "AT89S52 ISP",
     "MCS51 8Kx8 FLASH 256x8 RAM", "1E5206"},
    {DeviceId::AT89S53, "AT89S53", "s53", 0x3000, InstructionFamily::ThreeByte, std::nullopt, "AT89S53 ISP",
     "MCS51 12Kx8 FLASH 256x8 RAM", "00531E"},
};

} // namespace

std::span<const Device> Devices()
{
    return kDevices;
}

std::optional<DeviceId> KnownDeviceId(uint32_t number)
{
    for (const Device& d : kDevices)
        if (static_cast<uint32_t>(d.id) == number)
            return d.id;
    return std::nullopt;
}

const Device& DeviceById(DeviceId id)
{
    for (const Device& d : kDevices)
        if (d.id == id)
            return d;
    return kDevices[2];
}

const Device& StoredDevice(uint32_t number)
{
    return DeviceById(KnownDeviceId(number).value_or(DeviceId::AT89S53));
}

const Device* DeviceNamed(std::string_view name)
{
    const auto same = [name](std::string_view other) {
        return name.size() == other.size() &&
               std::equal(name.begin(), name.end(), other.begin(), [](char a, char b) { return (a | 0x20) == (b | 0x20); });
    };
    for (const Device& d : kDevices)
        if (same(d.name) || same(d.tag))
            return &d;
    return nullptr;
}

const Device* DeviceWithSignature(const std::array<uint8_t, 3>& signature)
{
    const auto found = std::find_if(std::begin(kDevices), std::end(kDevices),
                                    [&](const Device& d) { return d.signature == signature; });
    return found == std::end(kDevices) ? nullptr : &*found;
}
