#pragma once

// Ctrl+C (SIGINT) and SIGTERM during a job: the handler only notes the
// signal; the job sees it before its next address, releases the target's
// lines and ends, and the program exits 128 + the signal's number.

// Installs the handlers for SIGINT and SIGTERM.
void InstallStopHandlers();
// The first stop signal received, or 0.
int StopSignalNumber();
