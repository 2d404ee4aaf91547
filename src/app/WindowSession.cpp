#include "WindowSession.h"

#include <OpenSession.h>

#include <cstdlib>
#include <memory>

namespace {

ProgrammerSettings g_settings;
std::unique_ptr<ProgrammingSession> g_session;

PortChoice EnvironmentChoice()
{
    return PortChoice::parse(std::getenv("VORLANE_PORT"));
}

std::string EnvironmentTrace()
{
    const char* trace = std::getenv("VORLANE_TRACE");
    return trace ? trace : "";
}

} // namespace

ProgrammerSettings& programmerSettings()
{
    return g_settings;
}

ProgrammingSession& windowSession()
{
    if (!g_session)
        g_session = OpenSession(g_settings, EnvironmentChoice(), EnvironmentTrace());
    return *g_session;
}

void ReopenWindowPortForTesting()
{
    ConnectSession(windowSession(), EnvironmentChoice(), EnvironmentTrace());
}

void ResetWindowSessionForTesting()
{
    g_session.reset();
    g_settings = ProgrammerSettings{};
}
