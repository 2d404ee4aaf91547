#pragma once

#include <ProgrammerSettings.h>
#include <PortChoice.h>
#include <ProgrammingSession.h>

// The window's one session. Its settings record lives as long as the
// program, all zero until the store fills it; its link is the one
// VORLANE_PORT, else the programmer stored, chooses (traced as VORLANE_TRACE
// says), made when first asked for.
ProgrammerSettings& programmerSettings();
ProgrammingSession& windowSession();
// What the window's session was last put on.
const PortChoice& windowPortChoice();
// The session on another programmer, from its next job on.
void ConnectWindowSession(const PortChoice& choice);

// The record back to zeros and the session gone (its port closed, its trace
// on disk): the next use reads the environment again. For tests.
void ResetWindowSessionForTesting();

// The session keeps its record and driver but takes the port the environment
// names now (the old one closed, its trace on disk). For tests of a running
// window.
void ReopenWindowPortForTesting();
