#pragma once

#include "ImageFileKind.h"

#include <cstdint>
#include <string>
#include <vector>

// Reading an image file from disk for a caller without the document (the
// terminal tool), with the limits the document applies.
struct ImageFileBytes {
    enum class Status {
        Read,
        NotOpened,  // `error` holds errno
        NotRegular, // a folder, FIFO or device: never read
        TooLarge,   // longer than ImageFileMaxLength: never read
        ReadFailed, // `error` holds errno
    };
    Status status = Status::Read;
    int error = 0;
    std::vector<uint8_t> bytes;
};

// Opens without blocking (a FIFO must not hang the caller), refuses anything
// that is not a regular file, and reads at most ImageFileMaxLength(kind)
// bytes, refusing a longer file before reading it.
ImageFileBytes ReadImageFileBytes(const std::string& path, ImageFileKind kind);

// One line about a failed read, naming the file.
std::string DescribeImageFileBytes(const ImageFileBytes& read, const std::string& path, ImageFileKind kind);
