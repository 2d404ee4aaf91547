#include "CliProcess.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// What the tool must not lean on, or what would make a run depend on the
// user's session: a display, a Qt platform, their settings and locale.
bool Dropped(const char* entry)
{
    for (const char* name : {"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM=", "XDG_CONFIG_HOME=", "LANG=",
                             "LANGUAGE=", "LC_"}) {
        if (std::strncmp(entry, name, std::strlen(name)) == 0)
            return true;
    }
    return std::strncmp(entry, "VORLANE_", 8) == 0;
}

} // namespace

void CliProcess::Exec(const std::vector<std::string>& arguments, const std::vector<std::string>& environment)
{
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        if (!Dropped(*e))
            env.emplace_back(*e);
    env.emplace_back("LC_ALL=C");
    env.insert(env.end(), environment.begin(), environment.end());
    std::vector<char*> argv;
    for (const std::string& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    // As a shell starts it: whatever this test process ignores, not the tool.
    std::signal(SIGPIPE, SIG_DFL);
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
}

CliProcess::CliProcess(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
                       const std::optional<std::string>& input)
{
    int out[2];
    int err[2];
    int in[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0 || ::pipe2(in, O_CLOEXEC) != 0)
        return;
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(err[1], STDERR_FILENO);
        ::dup2(input ? in[0] : ::open("/dev/null", O_RDONLY), STDIN_FILENO);
        Exec(arguments, environment);
    }
    ::close(out[1]);
    ::close(err[1]);
    ::close(in[0]);
    // Small enough for the pipe's buffer: written before the tool reads. A
    // tool that ended unread must not take the test with it.
    if (input) {
        std::signal(SIGPIPE, SIG_IGN);
        [[maybe_unused]] const ssize_t n = ::write(in[1], input->data(), input->size());
    }
    ::close(in[1]);
    out_ = out[0];
    err_ = err[0];
}

CliProcess::~CliProcess()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        finish();
    }
}

bool CliProcess::pump()
{
    pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
    std::string* sinks[2] = {&result_.out, &result_.err};
    int* ends[2] = {&out_, &err_};
    if (out_ < 0 && err_ < 0)
        return false;
    if (::poll(fds, 2, -1) < 0)
        return errno == EINTR;
    for (int i = 0; i < 2; ++i) {
        if (*ends[i] < 0 || fds[i].revents == 0)
            continue;
        char buffer[4096];
        const ssize_t n = ::read(*ends[i], buffer, sizeof buffer);
        if (n > 0) {
            sinks[i]->append(buffer, static_cast<size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            ::close(*ends[i]);
            *ends[i] = -1;
        }
    }
    return true;
}

bool CliProcess::waitForError(const std::string& text)
{
    while (result_.err.find(text) == std::string::npos) {
        if (err_ < 0 || !pump())
            return false;
    }
    return true;
}

bool CliProcess::ended() const
{
    // A process that has ended and is not reaped is a zombie: "Z" after its name.
    std::FILE* stat = std::fopen(("/proc/" + std::to_string(pid_) + "/stat").c_str(), "r");
    if (!stat)
        return true;
    char line[512] = {};
    const bool read = std::fgets(line, sizeof line, stat) != nullptr;
    std::fclose(stat);
    const char* paren = read ? std::strrchr(line, ')') : nullptr;
    return !paren || paren[1] == '\0' || paren[2] == 'Z';
}

void CliProcess::signal(int number)
{
    if (pid_ > 0)
        ::kill(pid_, number);
}

void CliProcess::closeError()
{
    if (err_ >= 0)
        ::close(err_);
    err_ = -1;
}

CliProcess::Result CliProcess::finish()
{
    while (pump()) {
    }
    if (pid_ > 0) {
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        result_.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        pid_ = -1;
    }
    return result_;
}

CliProcess::Result CliProcess::Run(const std::vector<std::string>& arguments,
                                   const std::vector<std::string>& environment, const std::optional<std::string>& input)
{
    return CliProcess(arguments, environment, input).finish();
}
