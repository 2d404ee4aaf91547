#include "PortTrace.h"

#include "Counter.h"

#include <cerrno>
#include <charconv>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace {
constexpr size_t kBufferLimit = 64 * 1024;
}

PortTrace::PortTrace(const std::string& path) : path_(path)
{
    origin_ = currentCounter().now();
    if (path.empty())
        return;
    fd_ = OpenFile(path);
    if (fd_ < 0)
        fail("cannot append to", -fd_);
    else
        buffer_.reserve(kBufferLimit + 32);
}

int PortTrace::OpenFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0)
        return -errno;
    // Opened: from here a slow reader slows the trace, never loses lines.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

std::string PortTrace::Reason(int error)
{
    if (error == ENXIO)
        return "no program reads this FIFO";
    return std::strerror(error);
}

PortTrace::~PortTrace()
{
    flush();
    if (fd_ >= 0)
        ::close(fd_);
}

void PortTrace::fail(const char* what, int error)
{
    problem_ = std::string(what) + " " + path_ + ": " + Reason(error);
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    buffer_.clear();
}

void PortTrace::record(char operation, uint8_t value, int64_t stamp)
{
    if (fd_ < 0)
        return;
    append(static_cast<long long>(CounterNanoseconds(stamp - origin_) / 1000), operation, value);
}

void PortTrace::append(long long us, char operation, uint8_t value)
{
    static const char kHex[] = "0123456789ABCDEF";
    char line[32];
    char* end = std::to_chars(line, line + 20, us).ptr;
    *end++ = ' ';
    *end++ = operation;
    *end++ = ' ';
    *end++ = kHex[value >> 4];
    *end++ = kHex[value & 0x0F];
    *end++ = '\n';
    buffer_.append(line, end);
    const bool afterPause = us - lastUs_ >= kPauseUs;
    lastUs_ = us;
    if (afterPause || us - flushedUs_ >= kFlushEveryUs || buffer_.size() >= kBufferLimit)
        flush();
}

void PortTrace::flush()
{
    if (fd_ < 0)
        return;
    flushedUs_ = lastUs_;
    size_t done = 0;
    while (done < buffer_.size()) {
        const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            fail("stopped writing to", n < 0 ? errno : EIO);
            return;
        }
        done += static_cast<size_t>(n);
    }
    buffer_.clear();
}
