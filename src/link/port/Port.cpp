#include "Port.h"

#include "Counter.h"
#include "DirectIoBackend.h"
#include "NoneBackend.h"
#include "ParportLocator.h"
#include "PortHints.h"
#include "PpdevBackend.h"
#include "SimBackend.h"

#include <cstdlib>

namespace {

constexpr uint8_t kAbsentStatus = 0x80;

std::unique_ptr<Port>& instance()
{
    static std::unique_ptr<Port> port;
    return port;
}

const char* Env(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

} // namespace

Port::Port() : choice_(PortChoice::parse(Env("VORLANE_PORT"))), trace_(Env("VORLANE_TRACE"))
{
}

Port::~Port()
{
    release();
}

void Port::acquire()
{
    // Nothing to grant up front on Linux: ppdev and ioperm are per open.
}

void Port::release()
{
    if (backend_)
        backend_->close();
    openBase_ = 0;
    trace_.flush();
}

void Port::installBackend(std::unique_ptr<PortBackend> backend)
{
    if (backend_)
        backend_->close();
    backend_ = std::move(backend);
    keepBackend_ = true;
    openBase_ = 0;
}

std::unique_ptr<PortBackend> Port::createFor(uint16_t base)
{
    using Kind = PortChoice::Kind;
    auto tryOpen = [base](std::unique_ptr<PortBackend> backend) -> std::unique_ptr<PortBackend> {
        if (backend->open(base))
            return backend;
        return std::make_unique<NoneBackend>(backend->describe());
    };
    switch (choice_.kind) {
    case Kind::Ppdev:
        return tryOpen(std::make_unique<PpdevBackend>(choice_.argument));
    case Kind::Direct:
        return tryOpen(std::make_unique<DirectIoBackend>());
    case Kind::Sim:
        keepBackend_ = true;
        return tryOpen(std::make_unique<SimBackend>(choice_.argument, choice_.accessNs, choice_.simModel));
    case Kind::None:
        return std::make_unique<NoneBackend>("No port: VORLANE_PORT=none");
    case Kind::Invalid:
        return std::make_unique<NoneBackend>(
            "No port: VORLANE_PORT=" + choice_.argument +
            " is not one of auto, ppdev, ppdev:/dev/parportN, direct, sim, sim:FILE, sim:s52:FILE, none"
            " (sim takes ,access=N[ns|us] up to 1 ms)");
    case Kind::Auto:
        break;
    }
    // Auto: the kernel's driver for the port at this base, else direct I/O.
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

void Port::ensureOpen(uint16_t base)
{
    if (backend_ && base == openBase_)
        return;
    if (backend_ && keepBackend_) {
        backend_->open(base);
    } else {
        if (backend_)
            backend_->close();
        backend_ = createFor(base);
    }
    openBase_ = base;
}

int64_t Port::writeData(uint16_t base, uint8_t value)
{
    if (base == 0)
        return currentCounter().now();
    // Opened first: opening a device takes long and is no part of a line phase.
    ensureOpen(base);
    const int64_t stamp = currentCounter().now();
    trace_.record('W', value, stamp);
    backend_->write(base, value);
    return stamp;
}

uint8_t Port::readStatus(uint16_t base, int64_t* stamp)
{
    if (base == 0) {
        if (stamp)
            *stamp = currentCounter().now();
        return kAbsentStatus;
    }
    ensureOpen(base);
    const int64_t at = currentCounter().now();
    const uint8_t status = backend_->read(static_cast<uint16_t>(base + 1));
    trace_.record('R', status, at);
    if (stamp)
        *stamp = at;
    return status;
}

std::string Port::describe(uint16_t base)
{
    if (base == 0)
        return "No port: the settings name no port address";
    ensureOpen(base);
    return backend_->describe();
}

bool Port::ready(uint16_t base, std::string* why)
{
    const std::string description = describe(base);
    const bool usable = base != 0 && backend_->usable();
    if (!usable && why)
        *why = description;
    return usable;
}

std::string Port::takeFault()
{
    return backend_ ? backend_->takeFault() : std::string();
}

Port& port()
{
    auto& p = instance();
    if (!p)
        p = std::make_unique<Port>();
    return *p;
}

void ResetPortForTesting()
{
    instance().reset();
}
