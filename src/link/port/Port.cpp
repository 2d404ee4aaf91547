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
    claims_ = 0;
    letGo();
    if (backend_)
        backend_->close();
    openBase_ = 0;
}

void Port::letGo()
{
    if (held_ && backend_)
        backend_->unclaim();
    held_ = false;
    busy_.clear();
    trace_.flush();
}

bool Port::claim(uint16_t base, std::chrono::milliseconds wait, std::string* why)
{
    if (claims_++ > 0) {
        if (!busy_.empty() && why)
            *why = busy_;
        return held_;
    }
    // No port: nothing to hold, and ready() tells why.
    if (base == 0)
        return false;
    ensureOpen(base);
    if (!backend_->usable())
        return false;
    std::string reason;
    held_ = backend_->claim(wait, &reason);
    if (!held_) {
        busy_ = reason.empty() ? "The port is in use by another program" : reason;
        if (why)
            *why = busy_;
    }
    return held_;
}

void Port::unclaim()
{
    if (claims_ == 0 || --claims_ > 0)
        return;
    letGo();
}

bool Port::ensureClaimed(uint16_t base)
{
    if (claims_ == 0)
        claim(base, kClaimWait);
    return busy_.empty();
}

void Port::installBackend(std::unique_ptr<PortBackend> backend)
{
    release();
    backend_ = std::move(backend);
    keepBackend_ = true;
    openBase_ = 0;
}

void Port::ensureOpen(uint16_t base)
{
    if (backend_ && base == openBase_)
        return;
    // A claim belongs to the backend it was made on: another base lets go
    // of it and claims anew.
    const bool wasHeld = held_;
    if (held_)
        backend_->unclaim();
    held_ = false;
    if (backend_ && (keepBackend_ || backend_->servesEveryBase())) {
        backend_->open(base);
    } else {
        if (backend_)
            backend_->close();
        backend_ = opener_ ? opener_(base) : std::make_unique<NoneBackend>("No port");
    }
    openBase_ = base;
    if (wasHeld && backend_->usable()) {
        std::string reason;
        held_ = backend_->claim(std::chrono::milliseconds(0), &reason);
        if (!held_)
            busy_ = reason;
    }
}

int64_t Port::writeData(uint16_t base, uint8_t value)
{
    if (base == 0)
        return currentCounter().now();
    // Opened first: opening a device takes long and is no part of a line phase.
    ensureOpen(base);
    if (!ensureClaimed(base))
        return currentCounter().now();
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
    if (!ensureClaimed(base)) {
        if (stamp)
            *stamp = currentCounter().now();
        return kAbsentStatus;
    }
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
    // A job run outside any claim learns here, before its first access,
    // that the port is busy or its chip file cannot be had.
    if (base != 0 && backend_->usable())
        ensureClaimed(base);
    const bool usable = base != 0 && backend_->usable() && busy_.empty();
    if (!usable && why)
        *why = busy_.empty() ? description : busy_;
    return usable;
}

std::string Port::takeFault()
{
    return backend_ ? backend_->takeFault() : std::string();
}
