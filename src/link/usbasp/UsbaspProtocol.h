#pragma once

#include <cstdint>

// What a USBasp understands, from its firmware's public source (Thomas
// Fischl's usbasp.h, and the forks that drive the AT89S51/52). Every request
// is a vendor control transfer to the device; its SETUP packet's wValue and
// wIndex carry four bytes, low byte first, which the firmware reads as
// data[2..5].
namespace usbasp {

// V-USB's shared ID for vendor-class devices: the strings tell a USBasp from
// the others that use it.
constexpr uint16_t kVendorId = 0x16C0;
constexpr uint16_t kProductId = 0x05DC;
constexpr char kManufacturer[] = "www.fischl.de";
constexpr char kProduct[] = "USBasp";

// bRequest values.
enum Request : uint8_t {
    kConnect = 1,          // ISP pins driven, the target reset the firmware's way
    kDisconnect = 2,       // ISP pins released
    kTransmit = 3,         // four bytes clocked out, the four clocked in back
    kReadFlash = 4,        // a block of flash in; the S5x forks: Read Page
    kEnableProg = 5,       // the firmware's own programming enable; 0 back when it took
    kWriteFlash = 6,       // a block of flash out; the S5x forks: Write Page
    kSetSck = 10,          // the SCK for the next connect; 0 back when known
    kGetCapabilities = 127 // four bytes of capability flags
};

// Byte 2 of the capabilities: the firmware drives the AT89S5x (RST active
// high, their enable and page instructions).
constexpr uint8_t kCapability2S5x = 0x01;

// The firmware is V-USB built with one-byte lengths: a data stage longer
// than 255 bytes comes back short, so blocks stay below it.
constexpr int kBlockBytes = 128;

// SCK option numbers: hardware SPI from the ATmega8's 12 MHz divided down,
// and slower ones in software.
struct SckOption {
    uint8_t id;
    int32_t hz;
};
constexpr SckOption kSckOptions[] = {
    {12, 1'500'000}, {11, 750'000}, {10, 375'000}, {9, 187'500}, {8, 93'750}, {7, 32'000},
    {6, 16'000},     {5, 8'000},    {4, 4'000},    {3, 2'000},   {2, 1'000},  {1, 500},
};

} // namespace usbasp

namespace usbasp {

// The page instructions an S5x firmware's flash block requests issue on
// their own, from the block's address: Read Page (30 aH) and Write Page (50 aH).
constexpr uint8_t kReadPageCommand = 0x30;
constexpr uint8_t kWritePageCommand = 0x50;
constexpr int kPageBytes = 256;

} // namespace usbasp
