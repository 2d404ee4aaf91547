#pragma once

#include "Device.h"
#include "InstructionSet.h"
#include "IspLink.h"
#include "LineDriver.h"
#include "ProgrammerSettings.h"

#include <Port.h>

#include <memory>
#include <string>

// One programmer at work: the settings a job reads, the chip selected, and
// the link that reaches it (a port with the line driver over it, or a
// programmer that carries whole instructions). Jobs, the job windows,
// vorlane-cli and the unattended write are handed one, as every call of a
// programmer tool is handed its programmer; nothing below the front ends
// keeps one of its own.
class ProgrammingSession {
public:
    // Over a port: the line driver clocks the bits. The settings record
    // outlives the session.
    ProgrammingSession(ProgrammerSettings& settings, std::unique_ptr<Port> port);
    // Over a link of its own.
    ProgrammingSession(ProgrammerSettings& settings, std::unique_ptr<IspLink> link);
    ~ProgrammingSession();

    ProgrammerSettings& settings() const { return settings_; }
    // The chip selected in the settings.
    const Device& device() const { return StoredDevice(settings_.device); }
    // Another chip selected: the socket may hold another chip now, so the
    // link is let go and opened afresh by the next job.
    void selectDevice(DeviceId id);

    IspLink& link() { return port_ ? static_cast<IspLink&>(driver_) : *other_; }
    // The selected chip's instructions over the link; null when the link
    // cannot carry them, with *why saying so.
    std::unique_ptr<InstructionSet> instructions(std::string* why = nullptr);
    // The status bar's line: the link in use, or why there is none.
    std::string describePort() { return link().Describe(); }
    // Why a trace asked for is not kept; empty when it is or none was asked.
    std::string traceProblem() const
    {
        return port_ ? port_->traceProblem() : other_ ? other_->TraceProblem() : std::string();
    }
    // Lets go of the device; the next job opens it again.
    void close();

    // A session over a port: the port and the driver over it, where tests
    // and benches reach the wires.
    bool overPort() const { return port_ != nullptr; }
    Port& port() { return *port_; }
    LineDriver& driver() { return driver_; }
    // Another link from now on; the old one is let go.
    void setPort(std::unique_ptr<Port> port);
    void setLink(std::unique_ptr<IspLink> link);

private:
    ProgrammerSettings& settings_;
    std::unique_ptr<Port> port_;
    std::unique_ptr<IspLink> other_;
    // Over a port it is the link; without one it has no port and no use.
    LineDriver driver_;
};
