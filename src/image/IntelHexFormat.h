#pragma once

#include "DeviceImage.h"
#include "ImageLoadResult.h"

#include <cstdint>
#include <span>
#include <vector>

// Intel HEX image files.

// Sets the range to 0xFFFF, 0, then reads the file line by line; a line ends
// at CR LF, LF or CR, and lines that are not records are skipped.
// - Data (type 0) and end (type 1) records write their bytes when
//   address + count <= deviceSize, marking MarkChanged only the bytes that
//   differ; a record reaching past the device writes nothing.
// - Every data record widens the range to address..address+count, even one
//   that reached past the device.
// - After an extended address record (type 2 or 4) with a non-zero value,
//   data records lie above 64 KB: they write nothing and widen nothing until
//   an extended address of zero follows.
// - Other types are skipped. Checksums are not checked.
// - Reading stops after an end record or a record with a count of 0.
// Marks are otherwise not touched; bytes no record covers keep their values.
// Always loads.
ImageLoadResult LoadIntelHex(DeviceImage& image, std::span<const uint8_t> file);

// Data records of at most 16 bytes, upper-case digits, CR LF, for the range
// after ClampSaveRange: record starts start, start+16, ... while below
// finish, each ending at finish at the latest. So start == finish gives an
// empty file, and a range whose length minus one is a multiple of 16 leaves
// finish out. No end record, no extended address record.
std::vector<uint8_t> StoreIntelHex(const DeviceImage& image, int32_t start, int32_t finish);
