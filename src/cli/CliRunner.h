#pragma once

#include <Device.h>

#include "CliArguments.h"
#include "TerminalFeedback.h"

#include <ImageCoverage.h>
#include <JobReport.h>
#include <ProgrammerSettings.h>
#include <LinkClaim.h>
#include <ProgrammingSession.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

struct ImageInput;

// One run of vorlane-cli: the command line, the settings, the port, the
// command, and the exit code a script can trust (ExitCode.h).
class CliRunner {
public:
    // `out` takes what was asked for (help, version, info); `err` takes
    // progress, summaries and errors.
    CliRunner(std::FILE* out, std::FILE* err);
    int run(const std::vector<std::string>& words);

private:
    // The command without the final check of standard output.
    int runCommand(const std::vector<std::string>& words);
    int prepare();
    // The chip selected: --device, else the stored choice.
    const Device& device() const { return session_->device(); }
    // A fresh image of that device's size.
    std::unique_ptr<DeviceImage> blankImage() const;
    int dispatch();
    int write();
    int read();
    int verify();
    int blankCheck();
    int erase();
    int lock();
    int reset();
    int info();

    struct Span {
        int32_t first = -1;
        int32_t last = -1;
    };

    // The file of write or verify, kept to --range, then the port. False,
    // with *exitCode, after telling why not.
    bool openInput(ImageInput& input, Span& span, int* exitCode);
    // The addresses of --range, or of the whole device.
    ImageCoverage rangeMask() const;
    Span rangeSpan() const;
    // False after telling why no port could be had, or after a stop signal
    // that came before any line moved.
    bool portReady(int* exitCode);
    // A job the user stopped: tells what was done and where it stopped.
    int stopped(const JobReport& report, const std::string& done);
    // A job that failed: names --device when the socket holds another chip.
    int failed(const JobReport& report);
    void usageError(const std::string& text);

    std::FILE* out_;
    std::FILE* err_;
    CliArguments args_;
    ProgrammerSettings settings_;
    // The port the run chose, with the settings and the chip.
    std::unique_ptr<ProgrammingSession> session_;
    // The whole command's hold on the port: `write --erase --lock` is one
    // job to any other program.
    std::unique_ptr<LinkClaim> claim_;
    std::unique_ptr<TerminalFeedback> feedback_;
};
