#include "WindowSession.h"

#include <OpenSession.h>
#include <SettingsStore.h>

#include <cstdlib>
#include <memory>

namespace {

ProgrammerSettings g_settings;
std::unique_ptr<ProgrammingSession> g_session;
PortChoice g_choice;

// VORLANE_PORT, else the programmer stored.
PortChoice StartChoice()
{
    return ChosenPort(std::getenv("VORLANE_PORT"), SettingsStore::LoadProgrammer());
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
    if (!g_session) {
        g_choice = StartChoice();
        g_session = OpenSession(g_settings, g_choice, EnvironmentTrace());
    }
    return *g_session;
}

const PortChoice& windowPortChoice()
{
    windowSession();
    return g_choice;
}

void ConnectWindowSession(const PortChoice& choice)
{
    ConnectSession(windowSession(), choice, EnvironmentTrace());
    g_choice = choice;
}

void ReopenWindowPortForTesting()
{
    ConnectWindowSession(StartChoice());
}

void ResetWindowSessionForTesting()
{
    g_session.reset();
    g_choice = {};
    g_settings = ProgrammerSettings{};
}
