#pragma once

#include <cstdint>
#include <span>
#include <string>

// A file read from the chip, made whole or not at all: the bytes go to a
// temporary file beside the target, which replaces the target only once
// everything is written. A run that fails or is stopped leaves the target
// as it was.
class OutputFile {
public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    // Before the job: makes the temporary file, so that a file that cannot
    // be written is told before the chip is read. False with *error.
    bool create(const std::string& path, std::string* error);
    // Writes the bytes and puts the file in place. False with *error.
    bool commit(std::span<const uint8_t> bytes, std::string* error);

private:
    void discard();

    std::string path_;
    std::string temp_;
    int fd_ = -1;
};
