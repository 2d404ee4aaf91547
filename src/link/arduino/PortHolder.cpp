#include "PortHolder.h"

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// The entries of a folder that may vanish while it is read (a process
// ending), each given to `take` until it says stop; never throws.
template <typename Take>
bool EachEntry(const fs::path& folder, Take take)
{
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (take(it->path()))
            return true;
    }
    return false;
}

} // namespace

std::string ProcessHolding(const std::string& device)
{
    // By its real name: /dev/serial/by-id/... links to /dev/ttyACM0.
    char real[PATH_MAX];
    const fs::path wanted = realpath(device.c_str(), real) ? fs::path(real) : fs::path(device);
    const std::string self = std::to_string(getpid());
    std::string found;
    EachEntry("/proc", [&](const fs::path& process) {
        const std::string pid = process.filename();
        if (pid.find_first_not_of("0123456789") != std::string::npos || pid == self)
            return false;
        return EachEntry(process / "fd", [&](const fs::path& fd) {
            std::error_code gone;
            if (fs::read_symlink(fd, gone) != wanted)
                return false;
            std::string name;
            std::ifstream comm(process / "comm");
            std::getline(comm, name);
            found = (name.empty() ? std::string("a process") : name) + " (PID " + pid + ")";
            return true;
        });
    });
    return found;
}
