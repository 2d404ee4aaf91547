#include "WindowSession.h"

#include <OpenSession.h>

#include <cstdlib>
#include <memory>

namespace {

ProgrammerSettings g_settings;
std::unique_ptr<ProgrammingSession> g_session;

std::unique_ptr<Port> EnvironmentPort()
{
    const char* trace = std::getenv("VORLANE_TRACE");
    return OpenPort(PortChoice::parse(std::getenv("VORLANE_PORT")), g_settings, trace ? trace : "");
}

} // namespace

ProgrammerSettings& programmerSettings()
{
    return g_settings;
}

ProgrammingSession& windowSession()
{
    if (!g_session)
        g_session = std::make_unique<ProgrammingSession>(g_settings, EnvironmentPort());
    return *g_session;
}

void ReopenWindowPortForTesting()
{
    windowSession().setPort(EnvironmentPort());
}

void ResetWindowSessionForTesting()
{
    g_session.reset();
    g_settings = ProgrammerSettings{};
}
