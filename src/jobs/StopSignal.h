#pragma once

// The signals that ask a running job to stop: Ctrl+C (SIGINT), SIGTERM and a
// hang-up (SIGHUP: the terminal closed, the ssh link dropped). The handler
// only notes the first one; the job sees it before its next address (its
// feedback's stopRequested), releases the target's lines and ends, and the
// program exits 128 + the signal's number. A reader that went away (SIGPIPE)
// is no reason to stop: the write that met it fails instead.

// Installs the handlers. A signal that whoever started the program ignores
// (nohup, a shell's background job) stays ignored: they meant the job to
// outlive it. With `wakeFd`, each signal also writes a byte there, to wake
// an event loop.
void InstallStopHandlers(int wakeFd = -1);
// Ignores SIGPIPE, so a closed standard output or error ends printing only.
void IgnoreClosedPipes();
// The first stop signal received, or 0.
int StopSignalNumber();
