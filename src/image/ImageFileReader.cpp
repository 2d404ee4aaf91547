#include "ImageFileReader.h"

#include "ImageFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
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

} // namespace

ImageFileBytes ReadImageFileBytes(const std::string& path, ImageFileKind kind)
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
    const int64_t limit = ImageFileMaxLength(kind);
    if (info.st_size > limit) {
        result.status = ImageFileBytes::Status::TooLarge;
        return result;
    }
    // The size may still change under us: never take more than the limit.
    result.bytes.resize(static_cast<size_t>(limit) + 1);
    size_t got = 0;
    while (got < result.bytes.size()) {
        const ssize_t n = ::read(file.fd, result.bytes.data() + got, result.bytes.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            result.status = ImageFileBytes::Status::ReadFailed;
            result.error = errno;
            result.bytes.clear();
            return result;
        }
        if (n == 0)
            break;
        got += static_cast<size_t>(n);
    }
    if (static_cast<int64_t>(got) > limit) {
        result.status = ImageFileBytes::Status::TooLarge;
        result.bytes.clear();
        return result;
    }
    result.bytes.resize(got);
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
    }
    return {};
}
