#pragma once

#include "DeviceImage.h"
#include "ImageCoverage.h"
#include "ImageFileKind.h"
#include "ImageLoadResult.h"

#include <cstdint>
#include <span>
#include <vector>

// What the document does with a file once it knows its kind; the window and
// file handling stay with the caller.

// The common start of every save: marks back to MarkNone over the device,
// 0 to deviceSize-1.
void ClearDeviceMarks(DeviceImage& image);

// The longest file of this kind a load takes; a longer one is refused.
int64_t ImageFileMaxLength(ImageFileKind kind);
// The message of that refusal.
const char* ImageFileTooLargeMessage(ImageFileKind kind);

// Loads the file's bytes as the kind says. Only a Loaded result changes the
// image; it clears the marks first. With `covered`, it ends holding the
// addresses the file gave data for (none unless Loaded).
ImageLoadResult LoadImageFile(DeviceImage& image, ImageFileKind kind, std::span<const uint8_t> file,
                              ImageCoverage* covered = nullptr);

// Clears the marks, then returns the bytes to write for start..finish as the
// range window gave them (ClampSaveRange applies).
std::vector<uint8_t> StoreImageFile(DeviceImage& image, ImageFileKind kind, int32_t start, int32_t finish);
