#include "OutputFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace {

std::string Failure(const std::string& what, const std::string& path)
{
    return path + ": " + what + ": " + std::strerror(errno);
}

mode_t NewFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

OutputFile::~OutputFile()
{
    discard();
}

bool OutputFile::create(const std::string& path, std::string* error)
{
    discard();
    struct stat info {};
    mode_t mode = NewFileMode();
    if (::stat(path.c_str(), &info) == 0) {
        if (!S_ISREG(info.st_mode)) {
            *error = path + ": not a regular file";
            return false;
        }
        mode = info.st_mode & 0777;
    }
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        *error = Failure("cannot create", path);
        return false;
    }
    ::fchmod(fd, mode);
    path_ = path;
    temp_ = temp;
    fd_ = fd;
    return true;
}

bool OutputFile::commit(std::span<const uint8_t> bytes, std::string* error)
{
    if (fd_ < 0) {
        *error = path_ + ": not prepared";
        return false;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            *error = Failure("cannot write", path_);
            discard();
            return false;
        }
        done += static_cast<size_t>(n);
    }
    if (::fsync(fd_) != 0 || ::close(std::exchange(fd_, -1)) != 0) {
        *error = Failure("cannot write", path_);
        discard();
        return false;
    }
    if (::rename(temp_.c_str(), path_.c_str()) != 0) {
        *error = Failure("cannot replace", path_);
        discard();
        return false;
    }
    temp_.clear();
    return true;
}

void OutputFile::discard()
{
    if (fd_ >= 0)
        ::close(std::exchange(fd_, -1));
    if (!temp_.empty())
        ::unlink(temp_.c_str());
    temp_.clear();
}
