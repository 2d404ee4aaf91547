#include "ChipFile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
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
// The lock record that ends a locked chip's file: this head, the lock text,
// spaces, a newline; 32 bytes in all.
constexpr std::string_view kRecordHead = "\nvorlane lock state: ";
constexpr std::size_t kRecordSize = 32;

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
    Fd& operator=(Fd&& other) noexcept
    {
        std::swap(fd_, other.fd_);
        return *this;
    }
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

// A file that has no write permission is the user's way of saying "keep
// this chip as it is": it is never replaced behind their back.
bool checkWritable(const std::string& file, const struct stat& st, std::string* error)
{
    if ((st.st_mode & 0222) == 0 || ::access(file.c_str(), W_OK) != 0)
        return fail(error, file + " is read-only: it is not replaced (make it writable, or name another file)");
    return true;
}

bool checkSize(const std::string& file, off_t size, std::string* error)
{
    if (size <= static_cast<off_t>(kChipFileLimit))
        return true;
    return fail(error, file + " holds " + std::to_string(size) + " bytes, far more than any chip's flash: not a chip file");
}

// The whole file, its lock record split off; a missing file gives missing =
// true and nothing read. The record only ever follows the whole flash: a
// flash whose last bytes happen to spell one stays flash.
bool readChipFile(const std::string& file, std::size_t flashSize, std::vector<uint8_t>& data,
                  std::optional<std::string>& record, bool& missing, std::string* error)
{
    data.clear();
    record.reset();
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
    if (!checkSize(file, st.st_size, error))
        return false;
    uint8_t buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return fail(error, systemError("cannot read", file, errno));
        }
        if (got == 0)
            break;
        if (data.size() + static_cast<std::size_t>(got) > kChipFileLimit)
            return checkSize(file, static_cast<off_t>(data.size()) + got, error);
        data.insert(data.end(), buffer, buffer + got);
    }
    if (data.size() >= flashSize + kRecordSize) {
        const std::string_view tail(reinterpret_cast<const char*>(data.data() + data.size() - kRecordSize), kRecordSize);
        if (tail.starts_with(kRecordHead) && tail.back() == '\n') {
            record = std::string(tail.substr(kRecordHead.size(), kRecordSize - kRecordHead.size() - 1));
            data.resize(data.size() - kRecordSize);
        }
    }
    return true;
}

// The legacy FILE.lock: its text, or nothing when there is none.
bool readLegacyLock(const std::string& path, std::optional<std::string>& text, std::string* error)
{
    text.reset();
    std::string lockFile;
    if (!resolve(path + ".lock", lockFile, error))
        return false;
    bool missing = false;
    if (!checkRegular(lockFile, missing, error))
        return false;
    if (missing)
        return true;
    Fd fd(::open(lockFile.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (fd.get() < 0)
        return fail(error, systemError("cannot open", lockFile, errno));
    char buffer[kLockTextLimit];
    ssize_t got = 0;
    do
        got = ::read(fd.get(), buffer, sizeof buffer);
    while (got < 0 && errno == EINTR);
    if (got < 0)
        return fail(error, systemError("cannot read", lockFile, errno));
    text = std::string(buffer, static_cast<std::size_t>(got));
    return true;
}

// The name a new file of FILE's takes just before it takes FILE's: ".FILE.new".
std::string stagingName(const std::string& file)
{
    return folderOf(file) + "/." + fs::path(file).filename().string() + ".new";
}

// Writes data into a new file in file's folder, flushed to disk, and gives it
// file's name in one step: a kill or a full disk leaves the old file or the
// new one, never half of either, and no stray file behind. `createOnly`
// never replaces: a file that appeared meanwhile sets *existed and stays.
bool replaceFile(const std::string& file, const uint8_t* data, std::size_t size, std::string* error,
                 const BeforeReplace& beforeReplace = {}, bool createOnly = false, bool* existed = nullptr)
{
    bool missing = false;
    if (!checkRegular(file, missing, error) || !checkFolder(file, error))
        return false;
    mode_t mode = newFileMode();
    struct stat st{};
    if (!missing && ::stat(file.c_str(), &st) == 0) {
        if (!checkWritable(file, st, error))
            return false;
        mode = st.st_mode & 07777;
    }

    const std::string folder = folderOf(file);
    const std::string hidden = folder + "/." + fs::path(file).filename().string();
    const std::string staging = stagingName(file);
    // A file without a name until it is whole: a kill before then leaves
    // nothing. File systems without O_TMPFILE get a named one.
    std::string name;
    Fd fd(::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, mode));
    if (fd.get() < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        name = hidden + ".XXXXXX";
        fd = Fd(::mkostemp(name.data(), O_CLOEXEC));
    }
    if (fd.get() < 0)
        return fail(error, systemError("cannot create a file in", folder, errno));
    const std::string shown = name.empty() ? staging : name;

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
    if (err == 0 && beforeReplace)
        beforeReplace(fd.get());
    // The unnamed file gets a name of its own first (rename needs one); one
    // left by a kill just before the rename is replaced here.
    const std::string target = createOnly ? file : staging;
    if (err == 0 && name.empty()) {
        const std::string self = "/proc/self/fd/" + std::to_string(fd.get());
        if (!createOnly)
            ::unlink(target.c_str());
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) == 0)
            name = target;
        else if (createOnly && errno == EEXIST && existed)
            *existed = true;
        else
            err = errno, what = "cannot name";
    }
    if (fd.close() != 0 && err == 0) {
        err = errno;
        what = "cannot write";
    }
    if (err == 0 && existed && *existed)
        return true;
    if (err == 0 && createOnly && name != file) {
        // The named fallback: link() refuses what exists, as O_EXCL would.
        if (::link(name.c_str(), file.c_str()) != 0) {
            if (errno == EEXIST && existed)
                *existed = true;
            else
                err = errno, what = "cannot create " + file + " from";
        }
        ::unlink(name.c_str());
        name = file;
    } else if (err == 0 && !createOnly && ::rename(name.c_str(), file.c_str()) != 0) {
        err = errno;
        what = "cannot replace " + file + " with";
    }
    if (err != 0) {
        if (!name.empty() && name != file)
            ::unlink(name.c_str());
        return fail(error, systemError(what, name.empty() ? shown : name, err));
    }
    // The new name lasts only once the folder is on disk too. EINVAL: the
    // file system has nothing to flush for folders.
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0)
        return fail(error, systemError("cannot open folder", folder, errno));
    if (::fsync(dir.get()) != 0 && errno != EINVAL)
        return fail(error, systemError("cannot flush folder", folder, errno));
    return true;
}

std::string trimmed(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return std::string(text);
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
    std::optional<std::string> lockText;
    bool missing = false;
    if (!readChipFile(file, flashSize, image, lockText, missing, error))
        return false;
    // A save killed after its new file got a name of its own and before it
    // took FILE's leaves that name; FILE is whole either way.
    ::unlink(stagingName(file).c_str());

    if (missing) {
        // A FILE.lock without its FILE speaks of no chip: it goes first, so
        // that it never joins the new file.
        ::unlink((path + ".lock").c_str());
        // Made erased before the chip changes: a folder that takes no file
        // fails here. A program that made it meanwhile has its file read.
        const std::vector<uint8_t> erased(flashSize, 0xFF);
        bool existed = false;
        if (!replaceFile(file, erased.data(), erased.size(), error, {}, true, &existed))
            return false;
        if (existed)
            return LoadChipFile(chip, path, error);
        image = erased;
    } else if (!lockText && !readLegacyLock(path, lockText, error)) {
        return false;
    }

    // The lock state is the one thing that can still be refused: it goes first.
    if (lockText) {
        if (!chip.setLockText(*lockText))
            return fail(error, "the lock state kept with " + path + " (\"" + trimmed(*lockText) +
                                   "\") is not one of this chip's");
    } else {
        chip.unlock();
    }
    auto flash = chip.flashBytes();
    std::fill(flash.begin(), flash.end(), 0xFF);
    std::copy_n(image.begin(), std::min(image.size(), flash.size()), flash.begin());
    chip.markModified();
    return true;
}

bool SaveChipFile(const IspChip& chip, const std::string& path, std::string* error, const BeforeReplace& beforeReplace)
{
    if (path.empty())
        return fail(error, "no chip file named");
    std::string file;
    if (!resolve(path, file, error))
        return false;
    std::vector<uint8_t> old;
    std::optional<std::string> oldRecord;
    bool missing = false;
    if (!readChipFile(file, chip.flashBytes().size(), old, oldRecord, missing, error))
        return false;
    std::optional<std::string> legacy;
    if (!readLegacyLock(path, legacy, error))
        return false;

    const auto flash = chip.flashBytes();
    std::vector<uint8_t> image(flash.begin(), flash.end());
    if (old.size() > flash.size())
        image.insert(image.end(), old.begin() + static_cast<std::ptrdiff_t>(flash.size()), old.end());
    // An unlocked chip's file is its flash alone; a FILE.lock still beside it
    // needs a record that says "unlocked" louder, until it is gone.
    if (chip.locked() || legacy) {
        const std::string text = trimmed(chip.lockText());
        if (text.size() > kRecordSize - kRecordHead.size() - 1)
            return fail(error, "the lock state \"" + text + "\" does not fit the chip file's record");
        std::string record(kRecordHead);
        record += text;
        record.resize(kRecordSize - 1, ' ');
        record += '\n';
        image.insert(image.end(), record.begin(), record.end());
    }
    if (!replaceFile(file, image.data(), image.size(), error, beforeReplace))
        return false;
    // FILE now holds what FILE.lock said: a kill before this line leaves a
    // FILE.lock that FILE's record overrides.
    if (legacy)
        ::unlink((path + ".lock").c_str());
    return true;
}

bool CheckChipFile(const std::string& path, std::string* error)
{
    if (path.empty())
        return fail(error, "no chip file named");
    std::string file;
    bool missing = false;
    if (!resolve(path, file, error) || !checkRegular(file, missing, error) || !checkFolder(file, error))
        return false;
    if (missing) {
        const std::string folder = folderOf(file);
        if (::access(folder.c_str(), W_OK | X_OK) != 0)
            return fail(error, systemError("cannot create a file in", folder, errno));
        return true;
    }
    struct stat st{};
    if (::stat(file.c_str(), &st) != 0)
        return fail(error, systemError("cannot check", file, errno));
    return checkWritable(file, st, error) && checkSize(file, st.st_size, error);
}

} // namespace sim
