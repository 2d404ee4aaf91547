#include "FileLock.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// Often enough that a job that ends is followed at once, seldom enough to cost nothing.
constexpr std::chrono::milliseconds kPoll{50};

bool TryLock(int fd)
{
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EINTR)
            return false;
    }
    return true;
}

bool SameFile(int fd, const std::string& path)
{
    struct stat opened{};
    struct stat named{};
    return ::fstat(fd, &opened) == 0 && ::stat(path.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
           opened.st_ino == named.st_ino;
}

std::string ProcessName(long pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(in, name);
    return name;
}

} // namespace

FileLock::~FileLock()
{
    release();
}

bool FileLock::TakeOpen(int fd, std::chrono::milliseconds wait, std::string* holder)
{
    const auto until = std::chrono::steady_clock::now() + wait;
    for (;;) {
        if (TryLock(fd))
            return true;
        const int error = errno;
        if (error != EWOULDBLOCK || std::chrono::steady_clock::now() >= until) {
            if (holder)
                *holder = error == EWOULDBLOCK ? LockHolder(fd) : std::string(std::strerror(error));
            return false;
        }
        std::this_thread::sleep_for(kPoll);
    }
}

bool FileLock::take(const std::string& path, std::chrono::milliseconds wait, std::string* holder, std::string* error)
{
    release();
    const auto until = std::chrono::steady_clock::now() + wait;
    for (;;) {
        // Read-only is enough for a lock; O_NONBLOCK keeps a FIFO from hanging the open.
        const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            if (error)
                *error = "cannot open " + path + ": " + std::strerror(errno);
            return false;
        }
        const auto left = std::max(std::chrono::milliseconds(0), std::chrono::duration_cast<std::chrono::milliseconds>(
                                                                        until - std::chrono::steady_clock::now()));
        if (!TakeOpen(fd, left, holder)) {
            ::close(fd);
            return false;
        }
        // The holder may have put a new file under the name meanwhile: that
        // one is the file now.
        if (SameFile(fd, path)) {
            fd_ = fd;
            return true;
        }
        ::close(fd);
    }
}

bool FileLock::also(int fd)
{
    if (next_ >= 0)
        ::close(next_);
    next_ = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (next_ >= 0 && TryLock(next_))
        return true;
    if (next_ >= 0)
        ::close(next_);
    next_ = -1;
    return false;
}

void FileLock::settle(bool replaced)
{
    if (next_ < 0)
        return;
    if (replaced) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = next_;
    } else {
        ::close(next_);
    }
    next_ = -1;
}

void FileLock::release()
{
    settle(false);
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

std::string LockHolder(int fd)
{
    struct stat st{};
    if (::fstat(fd, &st) == 0) {
        // "1: FLOCK  ADVISORY  WRITE 1234 08:01:5678 0 EOF": the device in
        // hex, the inode in decimal.
        char id[64];
        std::snprintf(id, sizeof id, "%02x:%02x:%lu", major(st.st_dev), minor(st.st_dev),
                      static_cast<unsigned long>(st.st_ino));
        std::ifstream locks("/proc/locks");
        for (std::string line; std::getline(locks, line);) {
            std::istringstream words(line);
            std::string word;
            std::string previous;
            while (words >> word && word != id)
                previous = word;
            if (word != id || line.find("->") != std::string::npos)
                continue;
            const long pid = std::strtol(previous.c_str(), nullptr, 10);
            if (pid <= 0)
                continue;
            const std::string name = ProcessName(pid);
            return (name.empty() ? std::string("a program") : name) + " (pid " + std::to_string(pid) + ")";
        }
    }
    return "another program";
}

std::string BusyText(const std::string& what, const std::string& holder)
{
    return what + " is in use by " + holder + "; try again when its job is done";
}
