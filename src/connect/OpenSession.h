#pragma once

#include "PortChoice.h"

#include <Port.h>
#include <ProgrammerSettings.h>
#include <ProgrammingSession.h>

#include <memory>
#include <string>

// The opener of the port a choice names. A simulated chip with no model of
// its own is the one `settings` select whenever the port opens.
Port::Opener PortOpener(const PortChoice& choice, const ProgrammerSettings& settings);

// That port, tracing to `tracePath` when it is not empty.
std::unique_ptr<Port> OpenPort(const PortChoice& choice, const ProgrammerSettings& settings,
                               const std::string& tracePath);

// The session on the link the choice names from now on: a port with the line
// driver over it, or a programmer's own link.
void ConnectSession(ProgrammingSession& session, const PortChoice& choice, const std::string& tracePath);

// A session over the link the choice names.
std::unique_ptr<ProgrammingSession> OpenSession(ProgrammerSettings& settings, const PortChoice& choice,
                                                const std::string& tracePath);
