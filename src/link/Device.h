#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

// The chips Vorlane programs. All take the same cable (RST, SCK, MOSI, MISO
// on the same port lines); they differ in flash size and instruction family.
enum class DeviceId : uint32_t {
    AT89S51 = 51,
    AT89S52 = 52,
    AT89S53 = 53,
};

enum class InstructionFamily {
    ThreeByte, // AT89S53: no answer to the enable, auto-erase on each byte write
    FourByte,  // AT89S51/52: enable answered, signature, lock read-back, pages
};

struct Device {
    DeviceId id;
    const char* name;
    // The short name: --device and a simulated port's model take it ("s52").
    const char* tag;
    int32_t flashSize;
    InstructionFamily family;
    // Read Signature Bytes at 000H, 100H, 200H; the AT89S53 gives none in
    // serial mode.
    std::optional<std::array<uint8_t, 3>> signature;
    // The Info window's texts.
    const char* partCode;
    const char* description;
    const char* signatureText;
};

// Every device, in menu order.
std::span<const Device> Devices();

const Device& DeviceById(DeviceId id);

// The device a stored number names; anything unknown is the AT89S53, the
// device the program always had.
const Device& StoredDevice(uint32_t number);

// The device a stored number names, or nothing when it names none.
std::optional<DeviceId> KnownDeviceId(uint32_t number);

// The device named "AT89S52" or "s52", in any case; null when none is.
const Device* DeviceNamed(std::string_view name);

// The device whose signature this is, or null.
const Device* DeviceWithSignature(const std::array<uint8_t, 3>& signature);
