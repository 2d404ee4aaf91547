#pragma once

#include <OpenSession.h>

#include <cstdlib>
#include <memory>

// A session as a front end makes one: its own settings record (all zero) and
// the port VORLANE_PORT and VORLANE_TRACE choose when it is made, or again
// at resetPort(), as at a new start of the program.
struct TestSession {
    TestSession() : session(settings, environmentPort()) {}

    std::unique_ptr<Port> environmentPort()
    {
        const char* trace = std::getenv("VORLANE_TRACE");
        return OpenPort(PortChoice::parse(std::getenv("VORLANE_PORT")), settings, trace ? trace : "");
    }
    // The old port closed (its trace on disk); the driver keeps its state.
    void resetPort() { session.setPort(environmentPort()); }

    ProgrammerSettings settings;
    ProgrammingSession session;
};
