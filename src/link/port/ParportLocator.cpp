#include "ParportLocator.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>

namespace fs = std::filesystem;

namespace {

long ReadBase(const fs::path& dir)
{
    std::ifstream in(dir / "base-addr");
    long first = -1;
    if (!(in >> first))
        return -1;
    return first;
}

} // namespace

std::string FindParportDevice(uint16_t base, const std::string& procRoot, const std::string& devRoot)
{
    std::error_code ec;
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(procRoot, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("parport", 0) == 0 && name.size() > 7)
            names.push_back(name);
    }
    // Lowest number first, so parport0 wins over a duplicate entry.
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    for (const auto& name : names) {
        if (ReadBase(fs::path(procRoot) / name) == base)
            return (fs::path(devRoot) / name).string();
    }
    return {};
}

long ParportBase(const std::string& devicePath, const std::string& procRoot)
{
    const std::string name = fs::path(devicePath).filename().string();
    if (name.rfind("parport", 0) != 0)
        return -1;
    return ReadBase(fs::path(procRoot) / name);
}
