#include "OutputFile.h"

#include "ImageInput.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <utility>

namespace {

std::string Failure(const std::string& what, const std::string& label, int error = errno)
{
    return label + ": " + what + ": " + std::strerror(error);
}

mode_t NewFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// The descriptor a name stands for, or -1. Opening /dev/stdout anew would
// lose what the shell set up (appending, the offset) and fails for a socket.
int NamedDescriptor(const std::string& path)
{
    if (path == "-" || path == "/dev/stdout")
        return STDOUT_FILENO;
    if (path == "/dev/stderr")
        return STDERR_FILENO;
    for (const char* prefix : {"/dev/fd/", "/proc/self/fd/"}) {
        const std::string_view rest = std::string_view(path).substr(std::min(path.size(), std::strlen(prefix)));
        if (!path.starts_with(prefix) || rest.empty() || rest.size() > 6 ||
            rest.find_first_not_of("0123456789") != std::string_view::npos)
            continue;
        return std::atoi(rest.data());
    }
    return -1;
}

std::string Folder(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseName(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file a chain of symbolic links ends at (which may not exist yet), as
// shell redirection writes through them. False with errno set on a loop.
bool FollowLinks(std::string& path)
{
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return true;
        char target[PATH_MAX];
        const ssize_t n = ::readlink(path.c_str(), target, sizeof target - 1);
        if (n < 0)
            return false;
        const std::string next(target, static_cast<size_t>(n));
        path = next.starts_with('/') ? next : Folder(path) + "/" + next;
    }
    errno = ELOOP;
    return false;
}

} // namespace

OutputFile::~OutputFile()
{
    discard();
}

bool OutputFile::create(const std::string& path, std::string* error)
{
    discard();
    label_ = FileLabel(path, false);
    if (const int fd = NamedDescriptor(path); fd >= 0) {
        if (::fcntl(fd, F_GETFD) < 0) {
            *error = Failure("cannot write", label_);
            return false;
        }
        fd_ = fd;
        ownsFd_ = false;
        return true;
    }
    std::string target = path;
    if (!FollowLinks(target)) {
        *error = Failure("cannot create", label_);
        return false;
    }
    struct stat info {};
    if (::stat(target.c_str(), &info) != 0) {
        if (errno != ENOENT) {
            *error = Failure("cannot create", label_);
            return false;
        }
        return openBeside(target, NewFileMode(), error);
    }
    if (S_ISREG(info.st_mode))
        return openBeside(target, info.st_mode & 0777, error);
    if (S_ISFIFO(info.st_mode) || S_ISCHR(info.st_mode) || S_ISSOCK(info.st_mode))
        return openInPlace(target, error);
    *error = label_ + ": not a regular file";
    return false;
}

bool OutputFile::openInPlace(const std::string& path, std::string* error)
{
    // Without waiting: a FIFO nobody reads must not hang the run.
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        *error = errno == ENXIO ? label_ + ": no program reads this FIFO" : Failure("cannot open", label_);
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    fd_ = fd;
    ownsFd_ = true;
    return true;
}

bool OutputFile::openBeside(const std::string& target, unsigned mode, std::string* error)
{
    int fd = ::open(Folder(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        // No unnamed files here (FAT, NFS): a hidden name, gone unless killed.
        std::string temp = Folder(target) + "/." + BaseName(target) + ".XXXXXX";
        fd = ::mkostemp(temp.data(), O_CLOEXEC);
        if (fd >= 0)
            temp_ = temp;
    }
    if (fd < 0) {
        *error = Failure("cannot create", label_);
        return false;
    }
    ::fchmod(fd, mode);
    fd_ = fd;
    ownsFd_ = true;
    target_ = target;
    return true;
}

bool OutputFile::commit(std::span<const uint8_t> bytes, std::string* error)
{
    if (fd_ < 0) {
        *error = label_ + ": not prepared";
        return false;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            *error = Failure("cannot write", label_);
            discard();
            return false;
        }
        done += static_cast<size_t>(n);
    }
    if (target_.empty()) {
        // In place: nothing to sync or rename, and never ours to close.
        const int fd = std::exchange(fd_, -1);
        if (ownsFd_ && ::close(fd) != 0) {
            *error = Failure("cannot write", label_);
            return false;
        }
        return true;
    }
    if (::fsync(fd_) != 0)
        *error = Failure("cannot write", label_);
    else if (putInPlace(error))
        return true;
    discard();
    return false;
}

bool OutputFile::putInPlace(std::string* error)
{
    std::string named = temp_;
    if (named.empty()) {
        // A name for the unnamed file for as long as the rename takes; one
        // a run killed in that instant left is stale, as the pid is ours.
        named = Folder(target_) + "/." + BaseName(target_) + "." + std::to_string(::getpid());
        ::unlink(named.c_str());
        const std::string self = "/proc/self/fd/" + std::to_string(fd_);
        if (::linkat(fd_, "", AT_FDCWD, named.c_str(), AT_EMPTY_PATH) != 0 &&
            ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, named.c_str(), AT_SYMLINK_FOLLOW) != 0) {
            *error = Failure("cannot create", label_);
            return false;
        }
        temp_ = named;
    }
    if (::close(std::exchange(fd_, -1)) != 0) {
        *error = Failure("cannot write", label_);
        return false;
    }
    if (::rename(temp_.c_str(), target_.c_str()) != 0) {
        *error = Failure("cannot replace", label_);
        return false;
    }
    temp_.clear();
    target_.clear();
    return true;
}

void OutputFile::discard()
{
    if (fd_ >= 0 && ownsFd_)
        ::close(fd_);
    fd_ = -1;
    if (!temp_.empty())
        ::unlink(temp_.c_str());
    temp_.clear();
    target_.clear();
}
