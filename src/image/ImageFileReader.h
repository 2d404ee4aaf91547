#pragma once

#include "ImageFileKind.h"

#include <cstdint>
#include <functional>
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
        Stopped,    // the caller's stop came while the stream was awaited
    };
    Status status = Status::Read;
    int error = 0;
    std::vector<uint8_t> bytes;
};

// Opens without blocking (a FIFO must not hang the caller), refuses anything
// that is not a regular file, and reads at most `limit` bytes, refusing a
// longer file before reading it.
ImageFileBytes ReadImageFileBytes(const std::string& path, int64_t limit);

// Reads an open stream (standard input: a pipe, a terminal, a file) to its
// end, at most `limit` bytes. While it waits for bytes, a signal makes it
// ask `stopped`; true ends the read with Status::Stopped.
ImageFileBytes ReadImageStream(int fd, int64_t limit, const std::function<bool()>& stopped);

// One line about a failed read, naming the file; `kind` words a refusal
// for size.
std::string DescribeImageFileBytes(const ImageFileBytes& read, const std::string& path, ImageFileKind kind);
