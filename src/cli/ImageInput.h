#pragma once

#include <DeviceImage.h>
#include <ImageCoverage.h>
#include <ImageFileKind.h>

#include <memory>
#include <string>

// A file to write to the chip or to compare with it: the image it loads and
// the addresses it gave data for.
struct ImageInput {
    std::unique_ptr<DeviceImage> image = std::make_unique<DeviceImage>();
    ImageCoverage covered;
    // What the load told of a file it took whole (records that overlap);
    // empty when there is nothing to tell.
    std::string warning;

    // The window's loaders and refusals, and one more: a file with data
    // outside the device is refused whole, as for the unattended write. On
    // refusal returns false with *error naming the file (and line).
    bool load(const std::string& path, ImageFileKind kind, std::string* error);
};
