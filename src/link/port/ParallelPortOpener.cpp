#include "ParallelPortOpener.h"

#include "DirectIoBackend.h"
#include "NoneBackend.h"
#include "ParportLocator.h"
#include "PortHints.h"
#include "PpdevBackend.h"

namespace {

std::unique_ptr<PortBackend> Opened(std::unique_ptr<PortBackend> backend, uint16_t base)
{
    if (backend->open(base))
        return backend;
    return std::make_unique<NoneBackend>(backend->describe());
}

} // namespace

std::unique_ptr<PortBackend> OpenParallelPort(ParallelAccess access, const std::string& device, uint16_t base)
{
    switch (access) {
    case ParallelAccess::Ppdev:
        return Opened(std::make_unique<PpdevBackend>(device), base);
    case ParallelAccess::Direct:
        return Opened(std::make_unique<DirectIoBackend>(), base);
    case ParallelAccess::Auto:
        break;
    }
    // The kernel's driver for the port at this base, else direct I/O.
    const bool haveDevice = !FindParportDevice(base).empty();
    auto ppdev = std::make_unique<PpdevBackend>();
    if (haveDevice && ppdev->open(base))
        return ppdev;
    auto direct = std::make_unique<DirectIoBackend>();
    if (direct->open(base))
        return direct;
    // Say what would have worked best: the device's own error if there is one.
    return std::make_unique<NoneBackend>(
        haveDevice ? ppdev->describe()
                   : NoPortText(base, "no /dev/parportN has that base; " + direct->failure()));
}
