#include "ImageFileReader.h"

#include "ImageFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Fd {
    int fd = -1;
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// Reads up to limit + 1 bytes, so that a longer file shows; with `stopped`,
// each wait for bytes may be ended by a signal.
void ReadToEnd(int fd, int64_t limit, const std::function<bool()>* stopped, ImageFileBytes& result)
{
    result.bytes.resize(static_cast<size_t>(limit) + 1);
    size_t got = 0;
    while (got < result.bytes.size()) {
        if (stopped) {
            // A signal that came before the wait began is seen here.
            pollfd wait{fd, POLLIN, 0};
            if ((*stopped)() || (::poll(&wait, 1, -1) < 0 && errno == EINTR && (*stopped)())) {
                result.status = ImageFileBytes::Status::Stopped;
                result.bytes.clear();
                return;
            }
        }
        const ssize_t n = ::read(fd, result.bytes.data() + got, result.bytes.size() - got);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n < 0) {
            result.status = ImageFileBytes::Status::ReadFailed;
            result.error = errno;
            result.bytes.clear();
            return;
        }
        if (n == 0)
            break;
        got += static_cast<size_t>(n);
    }
    if (static_cast<int64_t>(got) > limit) {
        result.status = ImageFileBytes::Status::TooLarge;
        result.bytes.clear();
        return;
    }
    result.bytes.resize(got);
}

} // namespace

ImageFileBytes ReadImageFileBytes(const std::string& path, int64_t limit)
{
    ImageFileBytes result;
    Fd file;
    file.fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (file.fd < 0) {
        result.status = errno == ENXIO ? ImageFileBytes::Status::NotRegular : ImageFileBytes::Status::NotOpened;
        result.error = errno;
        return result;
    }
    struct stat info {};
    if (::fstat(file.fd, &info) != 0) {
        result.status = ImageFileBytes::Status::ReadFailed;
        result.error = errno;
        return result;
    }
    if (!S_ISREG(info.st_mode)) {
        result.status = ImageFileBytes::Status::NotRegular;
        return result;
    }
    if (info.st_size > limit) {
        result.status = ImageFileBytes::Status::TooLarge;
        return result;
    }
    // The size may still change under us: never take more than the limit.
    ReadToEnd(file.fd, limit, nullptr, result);
    return result;
}

ImageFileBytes ReadImageStream(int fd, int64_t limit, const std::function<bool()>& stopped)
{
    ImageFileBytes result;
    ReadToEnd(fd, limit, &stopped, result);
    return result;
}

std::string DescribeImageFileBytes(const ImageFileBytes& read, const std::string& path, ImageFileKind kind)
{
    switch (read.status) {
    case ImageFileBytes::Status::Read:
        return {};
    case ImageFileBytes::Status::NotOpened:
        return path + ": cannot open: " + std::strerror(read.error);
    case ImageFileBytes::Status::NotRegular:
        return path + ": not a regular file";
    case ImageFileBytes::Status::TooLarge:
        return path + ": " + ImageFileTooLargeMessage(kind);
    case ImageFileBytes::Status::ReadFailed:
        return path + ": cannot read: " + std::strerror(read.error);
    case ImageFileBytes::Status::Stopped:
        return path + ": stopped while reading";
    }
    return {};
}
