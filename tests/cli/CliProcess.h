#pragma once

#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

// vorlane-cli run as a user's shell runs it: its own process, no display,
// no Qt platform, a private settings folder, the C locale. Standard output
// and standard error are pipes, so the tool sees no terminal; standard input
// is /dev/null, or a pipe that holds `input` and then ends.
class CliProcess {
public:
    struct Result {
        int status = -1; // exit code; -1 if it did not exit normally
        std::string out;
        std::string err;
    };

    // `environment` adds NAME=VALUE entries (XDG_CONFIG_HOME among them).
    CliProcess(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
               const std::optional<std::string>& input = std::nullopt);
    ~CliProcess();
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    // Reads the process's standard error until it holds `text` (true) or
    // the process closes it (false).
    bool waitForError(const std::string& text);
    void signal(int number);
    // Closes our end of standard error, as `| head -1` does once it has its line.
    void closeError();
    pid_t pid() const { return pid_; }
    // Whether the process has ended (not yet reaped).
    bool ended() const;
    // Reads both pipes to their end and reaps the process.
    Result finish();

    static Result Run(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
                      const std::optional<std::string>& input = std::nullopt);

    // In a child process: becomes vorlane-cli (or `arguments[0]`) with the
    // environment the constructor gives it.
    [[noreturn]] static void Exec(const std::vector<std::string>& arguments,
                                  const std::vector<std::string>& environment);

private:
    // One poll round over the open pipes; false once both are closed.
    bool pump();

    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    Result result_;
};
