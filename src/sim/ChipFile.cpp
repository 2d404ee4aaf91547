#include "ChipFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sim {

namespace {

namespace fs = std::filesystem;

constexpr int kMaxLinkHops = 40;
constexpr std::size_t kLockTextLimit = 64;

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    // Closes now, so that a failing close is seen.
    int close()
    {
        const int result = ::close(fd_);
        fd_ = -1;
        return result;
    }

private:
    int fd_;
};

bool fail(std::string* error, const std::string& message)
{
    if (error)
        *error = message;
    return false;
}

std::string systemError(const std::string& what, const std::string& path, int err)
{
    return what + " " + path + ": " + std::strerror(err);
}

std::string folderOf(const std::string& file)
{
    const fs::path parent = fs::path(file).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

// Follows symbolic links to the file they lead to, which may not exist yet.
bool resolve(const std::string& path, std::string& target, std::string* error)
{
    fs::path p = path;
    for (int hops = 0;; ++hops) {
        struct stat st{};
        if (::lstat(p.c_str(), &st) != 0) {
            if (errno == ENOENT)
                break;
            return fail(error, systemError("cannot check", p.string(), errno));
        }
        if (!S_ISLNK(st.st_mode))
            break;
        if (hops == kMaxLinkHops)
            return fail(error, systemError("cannot follow", path, ELOOP));
        std::error_code ec;
        const fs::path next = fs::read_symlink(p, ec);
        if (ec)
            return fail(error, "cannot follow " + p.string() + ": " + ec.message());
        p = next.is_absolute() ? next : p.parent_path() / next;
    }
    target = p.string();
    return true;
}

// False when the file is there but is no regular file: a folder, a device
// node or a FIFO is never opened, let alone replaced.
bool checkRegular(const std::string& file, bool& missing, std::string* error)
{
    struct stat st{};
    missing = false;
    if (::lstat(file.c_str(), &st) != 0) {
        if (errno != ENOENT)
            return fail(error, systemError("cannot check", file, errno));
        missing = true;
        return true;
    }
    if (!S_ISREG(st.st_mode))
        return fail(error, file + " is not a regular file");
    return true;
}

bool checkFolder(const std::string& file, std::string* error)
{
    const std::string folder = folderOf(file);
    struct stat st{};
    if (::stat(folder.c_str(), &st) != 0) {
        if (errno == ENOENT)
            return fail(error, "folder " + folder + " does not exist");
        return fail(error, systemError("cannot check folder", folder, errno));
    }
    if (!S_ISDIR(st.st_mode))
        return fail(error, folder + " is not a folder");
    return true;
}

// Up to limit bytes of a regular file from offset on; a missing file gives
// missing = true and nothing read.
bool readRegular(const std::string& file, off_t offset, std::size_t limit, std::vector<uint8_t>& out,
                 bool& missing, std::string* error)
{
    out.clear();
    if (!checkRegular(file, missing, error) || missing)
        return !missing ? false : true;
    // O_NONBLOCK and the second check cover a FIFO slipped in meanwhile.
    Fd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (fd.get() < 0)
        return fail(error, systemError("cannot open", file, errno));
    struct stat st{};
    if (::fstat(fd.get(), &st) != 0)
        return fail(error, systemError("cannot check", file, errno));
    if (!S_ISREG(st.st_mode))
        return fail(error, file + " is not a regular file");
    uint8_t buffer[4096];
    while (out.size() < limit) {
        const std::size_t want = std::min(sizeof buffer, limit - out.size());
        const ssize_t got = ::pread(fd.get(), buffer, want, offset + static_cast<off_t>(out.size()));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return fail(error, systemError("cannot read", file, errno));
        }
        if (got == 0)
            break;
        out.insert(out.end(), buffer, buffer + got);
    }
    return true;
}

mode_t newFileMode()
{
    // What open(..., 0666) would have given: the umask can only be read by setting it.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
}

bool writeAll(int fd, const uint8_t* data, std::size_t size, int& err)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            err = errno;
            return false;
        }
        if (n == 0) {
            err = ENOSPC;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Replaces file with data so that a crash or a full disk leaves either the
// old file or the new one, never half of either.
bool replaceFile(const std::string& file, const uint8_t* data, std::size_t size, std::string* error)
{
    bool missing = false;
    if (!checkRegular(file, missing, error) || !checkFolder(file, error))
        return false;
    mode_t mode = 0;
    struct stat st{};
    if (!missing && ::stat(file.c_str(), &st) == 0)
        mode = st.st_mode & 07777;
    else
        mode = newFileMode();

    const std::string folder = folderOf(file);
    std::string name = folder + "/." + fs::path(file).filename().string() + ".XXXXXX";
    Fd fd(::mkostemp(name.data(), O_CLOEXEC));
    if (fd.get() < 0)
        return fail(error, systemError("cannot create a file in", folder, errno));

    int err = 0;
    std::string what;
    if (::fchmod(fd.get(), mode) != 0) {
        err = errno;
        what = "cannot set the mode of";
    } else if (!writeAll(fd.get(), data, size, err)) {
        what = "cannot write";
    } else if (::fsync(fd.get()) != 0) {
        err = errno;
        what = "cannot flush";
    }
    if (fd.close() != 0 && err == 0) {
        err = errno;
        what = "cannot write";
    }
    if (err == 0 && ::rename(name.c_str(), file.c_str()) != 0) {
        err = errno;
        what = "cannot replace " + file + " with";
    }
    if (err != 0) {
        ::unlink(name.c_str());
        return fail(error, systemError(what, name, err));
    }
    // The rename lasts only once the folder is on disk too. EINVAL: the file
    // system has nothing to flush for folders.
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0)
        return fail(error, systemError("cannot open folder", folder, errno));
    if (::fsync(dir.get()) != 0 && errno != EINVAL)
        return fail(error, systemError("cannot flush folder", folder, errno));
    return true;
}

} // namespace

bool LoadChipFile(IspChip& chip, const std::string& path, std::string* error)
{
    if (path.empty())
        return fail(error, "no chip file named");
    std::string file;
    if (!resolve(path, file, error))
        return false;
    const std::size_t flashSize = chip.flashBytes().size();
    std::vector<uint8_t> image;
    bool missing = false;
    if (!readRegular(file, 0, flashSize, image, missing, error))
        return false;

    std::vector<uint8_t> lockText;
    bool lockMissing = true;
    if (missing) {
        // Created erased before the chip changes: a folder that takes no file fails here.
        const std::vector<uint8_t> erased(flashSize, 0xFF);
        if (!replaceFile(file, erased.data(), erased.size(), error))
            return false;
    } else {
        std::string lockFile;
        if (!resolve(path + ".lock", lockFile, error) ||
            !readRegular(lockFile, 0, kLockTextLimit, lockText, lockMissing, error))
            return false;
    }

    // The lock text is the one thing that can still be refused: it goes first.
    if (!lockMissing) {
        const std::string_view text(reinterpret_cast<const char*>(lockText.data()), lockText.size());
        if (!chip.setLockText(text))
            return fail(error, "lock file " + path + ".lock does not hold a lock state of this chip");
    } else {
        chip.unlock();
    }
    auto flash = chip.flashBytes();
    std::fill(flash.begin(), flash.end(), 0xFF);
    std::copy(image.begin(), image.end(), flash.begin());
    chip.markModified();
    if (missing)
        return SaveChipFile(chip, path, error);
    return true;
}

bool SaveChipFile(const IspChip& chip, const std::string& path, std::string* error)
{
    if (path.empty())
        return fail(error, "no chip file named");
    std::string file;
    std::string lockFile;
    if (!resolve(path, file, error) || !resolve(path + ".lock", lockFile, error))
        return false;
    const auto flash = chip.flashBytes();
    std::vector<uint8_t> image;
    bool missing = false;
    if (!readRegular(file, static_cast<off_t>(flash.size()), SIZE_MAX, image, missing, error))
        return false;
    image.insert(image.begin(), flash.begin(), flash.end());
    if (!replaceFile(file, image.data(), image.size(), error))
        return false;
    const std::string text = chip.lockText();
    return replaceFile(lockFile, reinterpret_cast<const uint8_t*>(text.data()), text.size(), error);
}

} // namespace sim
