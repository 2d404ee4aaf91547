#pragma once

// What vorlane-cli tells a script. A job stopped by a signal exits with 128
// plus the signal's number, as a shell reports a program the signal killed.
enum ExitCode : int {
    ExitDone = 0,
    ExitJobFailed = 1, // mismatch, not blank, a byte that did not program, no answer, a port fault
    ExitBadInput = 2,  // the command line, or a file that cannot be opened, is damaged or holds no data
    ExitNoPort = 3,    // no port could be had, or another program's job still holds it
};
