#include "Port.h"

#include "Counter.h"
#include "NoneBackend.h"

namespace {
constexpr uint8_t kAbsentStatus = 0x80;
}

Port::Port(Opener opener, const std::string& tracePath) : opener_(std::move(opener)), trace_(tracePath)
{
}

Port::~Port()
{
    release();
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

void Port::ensureOpen(uint16_t base)
{
    if (backend_ && base == openBase_)
        return;
    if (backend_ && (keepBackend_ || backend_->servesEveryBase())) {
        backend_->open(base);
    } else {
        if (backend_)
            backend_->close();
        backend_ = opener_ ? opener_(base) : std::make_unique<NoneBackend>("No port");
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
