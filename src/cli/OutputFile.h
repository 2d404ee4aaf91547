#pragma once

#include <cstdint>
#include <span>
#include <string>

// Where read puts the image, made whole or not at all.
// - A regular file (or a name not yet taken) is written to an unnamed file
//   in the same folder, which takes the name only once everything is
//   written: a run that fails, is stopped or is killed leaves the old file
//   and no temporary one. A symbolic link is followed to the file it names
//   and stays a link.
// - "-" is standard output; /dev/stdout, /dev/stderr, /dev/fd/N and
//   /proc/self/fd/N are the descriptors they name; a pipe, FIFO or
//   character device is written where it is. The bytes go out at the end,
//   all at once.
class OutputFile {
public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    // Before the job: opens what will take the bytes, so that an output
    // that cannot be written is told before the chip is read. False with
    // *error.
    bool create(const std::string& path, std::string* error);
    // Writes the bytes and puts the file in place. False with *error.
    bool commit(std::span<const uint8_t> bytes, std::string* error);

private:
    bool openInPlace(const std::string& path, std::string* error);
    bool openBeside(const std::string& target, unsigned mode, std::string* error);
    // Gives the unnamed file the target's name.
    bool putInPlace(std::string* error);
    void discard();

    std::string label_;  // as messages name it
    std::string target_; // the regular file to replace; empty when written in place
    std::string temp_;   // a named temporary file, where the file system has no unnamed ones
    int fd_ = -1;
    bool ownsFd_ = true;
};
