#include "ChipFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

namespace sim {

namespace {

namespace fs = std::filesystem;

using File = std::unique_ptr<std::FILE, decltype([](std::FILE* f) { std::fclose(f); })>;

File openFile(const std::string& path, const char* mode)
{
    return File(std::fopen(path.c_str(), mode));
}

bool fail(std::string* error, const std::string& message)
{
    if (error)
        *error = message;
    return false;
}

std::string lastError(const std::string& what, const std::string& path)
{
    return what + " " + path + ": " + std::strerror(errno);
}

// Up to limit bytes of the file from offset on.
bool readPart(const std::string& path, long offset, std::size_t limit, std::vector<uint8_t>& out,
              std::string* error)
{
    out.clear();
    std::error_code ec;
    if (fs::is_directory(path, ec))
        return fail(error, "cannot read " + path + ": is a directory");
    File file = openFile(path, "rb");
    if (!file)
        return fail(error, lastError("cannot open", path));
    if (offset > 0 && std::fseek(file.get(), offset, SEEK_SET) != 0)
        return fail(error, lastError("cannot seek in", path));
    uint8_t buffer[4096];
    while (out.size() < limit) {
        const std::size_t want = std::min(sizeof buffer, limit - out.size());
        const std::size_t got = std::fread(buffer, 1, want, file.get());
        out.insert(out.end(), buffer, buffer + got);
        if (got < want)
            break;
    }
    if (std::ferror(file.get()))
        return fail(error, lastError("cannot read", path));
    return true;
}

bool writeAtomically(const std::string& path, const uint8_t* data, std::size_t size,
                     std::string* error)
{
    // A crash mid-save leaves either the old file or the new one, never half.
    const std::string temp = path + ".tmp";
    File file = openFile(temp, "wb");
    if (!file)
        return fail(error, lastError("cannot create", temp));
    bool ok = std::fwrite(data, 1, size, file.get()) == size && std::fflush(file.get()) == 0;
    std::string message = ok ? std::string() : lastError("cannot write", temp);
    if (std::fclose(file.release()) != 0 && ok) {
        ok = false;
        message = lastError("cannot write", temp);
    }
    std::error_code ec;
    if (ok) {
        fs::rename(temp, path, ec);
        if (ec) {
            ok = false;
            message = "cannot replace " + path + ": " + ec.message();
        }
    }
    if (!ok) {
        fs::remove(temp, ec);
        return fail(error, message);
    }
    return true;
}

bool parseLockByte(const std::vector<uint8_t>& text, uint8_t& bits)
{
    const std::string s(text.begin(), text.end());
    const char* begin = s.c_str();
    char* end = nullptr;
    errno = 0;
    const unsigned long value = std::strtoul(begin, &end, 16);
    if (end == begin || errno != 0 || value > 0xFF)
        return false;
    for (const char* p = end; *p; ++p)
        if (*p != ' ' && *p != '\t' && *p != '\r' && *p != '\n')
            return false;
    bits = static_cast<uint8_t>(value);
    return true;
}

} // namespace

bool LoadChipFile(At89s53& chip, const std::string& path, std::string* error)
{
    if (path.empty())
        return fail(error, "no chip file named");
    std::error_code ec;
    const bool exists = fs::exists(path, ec);
    if (ec)
        return fail(error, "cannot check " + path + ": " + ec.message());

    std::vector<uint8_t> image;
    uint8_t lockBits = At89s53::kUnlocked;
    if (exists) {
        if (!readPart(path, 0, At89s53::kFlashSize, image, error))
            return false;
        const std::string lockPath = path + ".lock";
        if (fs::exists(lockPath, ec)) {
            std::vector<uint8_t> text;
            if (!readPart(lockPath, 0, 64, text, error))
                return false;
            if (!parseLockByte(text, lockBits))
                return fail(error, "lock file " + lockPath + " does not hold a hex byte");
        }
    }

    auto& flash = chip.flash();
    flash.fill(0xFF);
    std::copy(image.begin(), image.end(), flash.begin());
    chip.setLockBits(lockBits);
    chip.markModified();
    if (!exists)
        return SaveChipFile(chip, path, error);
    return true;
}

bool SaveChipFile(const At89s53& chip, const std::string& path, std::string* error)
{
    if (path.empty())
        return fail(error, "no chip file named");
    std::vector<uint8_t> image;
    std::error_code ec;
    if (fs::exists(path, ec) && !readPart(path, At89s53::kFlashSize, SIZE_MAX, image, error))
        return false;
    const auto& flash = chip.flash();
    image.insert(image.begin(), flash.begin(), flash.end());
    if (!writeAtomically(path, image.data(), image.size(), error))
        return false;

    char text[32];
    const int length = std::snprintf(text, sizeof text, "0x%02X\n", chip.lockBits());
    return writeAtomically(path + ".lock", reinterpret_cast<const uint8_t*>(text),
                           static_cast<std::size_t>(length), error);
}

} // namespace sim
