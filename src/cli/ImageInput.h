#pragma once

#include <DeviceImage.h>
#include <ImageCoverage.h>
#include <ImageFileKind.h>

#include <memory>
#include <optional>
#include <string>

// A file to write to the chip or to compare with it: the image it loads and
// the addresses it gave data for.
struct ImageInput {
    enum class Outcome { Loaded, Refused, Stopped };

    std::unique_ptr<DeviceImage> image = std::make_unique<DeviceImage>();
    ImageCoverage covered;
    // What the load told of a file it took whole (records that overlap);
    // empty when there is nothing to tell.
    std::string warning;

    // `path` "-" is standard input. The format is `format`, else Intel HEX
    // when the content is Intel HEX records or the name ends in .hex or .ihx,
    // else binary. The window's loaders and refusals, and one more: a file
    // with data outside the device is refused whole, as for the unattended
    // write. On refusal *error names the file (and line). Stopped: a stop
    // signal came while standard input was awaited.
    Outcome load(const std::string& path, std::optional<ImageFileKind> format, std::string* error);
};

// How messages name a file: "standard input" / "standard output" for "-".
std::string FileLabel(const std::string& path, bool input);
