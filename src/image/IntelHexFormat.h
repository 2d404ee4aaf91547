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
// - Data (type 0) and end (type 1) records inside the device write their
//   bytes, marking MarkChanged only the bytes that differ; data records set
//   the range from the lowest address to one past the highest byte.
// - A record reaching past the device, or lying behind a non-zero extended
//   address (type 2 or 4), is left out whole: it writes nothing, widens
//   nothing, and its bytes are counted in leftOut.
// - Other types are skipped. Reading stops after an end record or a record
//   with a count of 0.
// A file with no byte inside the device is NoData and changes nothing. A
// load clears the marks over the device and the spare part of the image;
// bytes no record covers keep their values. With `covered`, it ends holding
// exactly the addresses the records wrote.
ImageLoadResult LoadIntelHex(DeviceImage& image, std::span<const uint8_t> file, ImageCoverage* covered = nullptr);

// Data records of at most 16 bytes, upper-case digits, CR LF, for the range
// after ClampSaveRange, both ends included: record starts start, start+16,
// ... up to finish. Then the end-of-file record. No extended address record.
std::vector<uint8_t> StoreIntelHex(const DeviceImage& image, int32_t start, int32_t finish);
