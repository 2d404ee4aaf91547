#pragma once

#include "DeviceImage.h"
#include "ImageCoverage.h"
#include "ImageLoadResult.h"

#include <cstdint>
#include <span>
#include <vector>

// Intel HEX image files.

// The largest Intel HEX file a load reads: far more than any file of a 64 KB
// address space needs, even in one-byte records, and little enough to hold.
inline constexpr int64_t kIntelHexMaxLength = int64_t{8} << 20;
inline constexpr char kIntelHexTooLargeMessage[] = "Can't open Intel HEX files larger than 8Mb";

// Reads the file line by line; a line ends at CR LF, LF or CR, and lines
// that are not records are skipped.
// - A damaged record (see ParseIntelHexLine) refuses the whole file with its
//   line number, the image untouched.
// - Data (type 0) and end (type 1) records write their bytes at their offset
//   from the last extended segment (type 2) or linear (type 4) address. A
//   byte that lands outside the device is left out and counted in leftOut;
//   the record's other bytes load. A byte given again takes the later value
//   and is counted in `overlapping`.
// - Data records set the range from their lowest byte to their highest,
//   both included. A data record without bytes sets nothing.
// - Start address records (types 3 and 5) are skipped. Reading stops after
//   the end record.
// A file with no data byte inside the device is NoData and changes nothing.
// A load clears the marks over the device and the spare part of the image,
// then marks MarkChanged the bytes that now differ; bytes no record covers
// keep their values. With `covered`, it ends holding exactly the addresses
// the records wrote.
ImageLoadResult LoadIntelHex(DeviceImage& image, std::span<const uint8_t> file, ImageCoverage* covered = nullptr);

// Data records of at most 16 bytes, upper-case digits, CR LF, for the range
// after ClampSaveRange, both ends included: record starts start, start+16,
// ... up to finish. Then the end-of-file record. No extended address record.
std::vector<uint8_t> StoreIntelHex(const DeviceImage& image, int32_t start, int32_t finish);
