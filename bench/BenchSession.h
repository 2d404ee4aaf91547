#pragma once

#include <LineDriver.h>
#include <Port.h>
#include <ProgrammerSettings.h>
#include <ProgrammingSession.h>

#include <memory>
#include <string>

// A bench's session: default settings and a port whose backend the bench
// installs, tracing to `tracePath` when it is not empty.
struct BenchSession {
    explicit BenchSession(const std::string& tracePath = {})
        : session(settings, std::make_unique<Port>(nullptr, tracePath))
    {
    }

    ProgrammerSettings settings = DefaultProgrammerSettings();
    ProgrammingSession session;
};

// The one session of a bench program.
inline BenchSession& Bench()
{
    static BenchSession bench;
    return bench;
}
