#pragma once

#include <OpenSession.h>

#include <cstdlib>
#include <memory>

// A session as a front end makes one: its own settings record (all zero) and
// the link VORLANE_PORT and VORLANE_TRACE choose when it is made, or again
// at resetPort(), as at a new start of the program.
struct TestSession {
    TestSession() : session(settings, std::make_unique<Port>(nullptr)) { resetPort(); }

    // The old link closed (a port's trace on disk); the driver keeps its state.
    void resetPort()
    {
        const char* trace = std::getenv("VORLANE_TRACE");
        ConnectSession(session, PortChoice::parse(std::getenv("VORLANE_PORT")), trace ? trace : "");
    }

    ProgrammerSettings settings;
    ProgrammingSession session;
};
