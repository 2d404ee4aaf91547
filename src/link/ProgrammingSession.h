#pragma once

#include "Device.h"
#include "InstructionSet.h"
#include "LineDriver.h"
#include "ProgrammerSettings.h"

#include <Port.h>

#include <memory>
#include <string>

// One programmer at work: the settings a job reads, the chip selected, and
// the link that reaches it (the port and the line driver over it). Jobs, the
// job windows, vorlane-cli and the unattended write are handed one, as every
// call of a programmer tool is handed its programmer; nothing below the front
// ends keeps one of its own.
class ProgrammingSession {
public:
    // The settings record outlives the session.
    ProgrammingSession(ProgrammerSettings& settings, std::unique_ptr<Port> port);

    ProgrammerSettings& settings() const { return settings_; }
    // The chip selected in the settings.
    const Device& device() const { return StoredDevice(settings_.device); }
    // Another chip selected: the socket may hold another chip now, so the
    // port is let go and opened afresh by the next job.
    void selectDevice(DeviceId id);

    Port& port() { return *port_; }
    // Another port from now on; the old one is let go.
    void setPort(std::unique_ptr<Port> port);
    LineDriver& driver() { return driver_; }
    // The selected chip's instructions over this session's link.
    std::unique_ptr<InstructionSet> instructions();

    // The status bar's line: the port in use, or why there is none.
    std::string describePort() { return port_->describe(settings_.lptBase); }

private:
    ProgrammerSettings& settings_;
    std::unique_ptr<Port> port_;
    LineDriver driver_;
};
