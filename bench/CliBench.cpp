// vorlane-cli write of a 12 KB image over an erased simulated chip, run as a
// station runs it (its own process, settings at their defaults), against the
// waits the write mandates: one programming bracket, and for every byte the
// read before the write, the write instruction, the written time and the read
// back. What is left over is the tool's own cost: start-up, the file, the port
// accesses and the counter reads. Twice, to show the noise.
#include <ProgrammerSettings.h>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr int kDevice = 0x3000;
constexpr int kRuns = 2;

// The mandated waits, in microseconds, of the line protocol with settings s.
struct MandatedWaits {
    const ProgrammerSettings& s;

    double clock() const { return 8.0 * (s.upTimeUs + s.downTimeUs); }
    // Bytes sent end with a 2 us tail; the byte clocked in has none.
    double instruction(int bytesOut, int bytesIn) const { return bytesOut * (clock() + 2) + bytesIn * clock(); }
    double bracket() const { return 12000 + 1000 + s.resetTimeUs + instruction(3, 0) + 3 * 1000; }
    double byteWritten() const { return 2 * instruction(2, 1) + instruction(3, 0) + s.writtenTimeUs; }
};

struct Run {
    double wallUs = 0;
    double cpuUs = 0;
    int status = -1;
};

// The tool with these arguments, in this process's environment.
Run RunCli(std::vector<std::string> arguments)
{
    std::vector<char*> argv;
    for (std::string& a : arguments)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    Run run;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    if (::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return run;
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    run.wallUs = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
    run.cpuUs = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e6 +
                static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::vector<char> Contents(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

int main()
{
    std::string pattern = (fs::temp_directory_path() / "vorlane-cli-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path dir = pattern;
    fs::create_directory(dir / "config");
    // The settings at their defaults, and nothing of the caller's port.
    ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    ::unsetenv("VORLANE_PORT");
    ::unsetenv("VORLANE_TRACE");
    // No 0xFF anywhere: every byte of the erased chip must be written.
    std::vector<char> image(kDevice);
    for (int a = 0; a < kDevice; ++a)
        image[a] = static_cast<char>((a * 13 + (a >> 8)) % 255);
    std::ofstream(dir / "image.bin", std::ios::binary).write(image.data(), kDevice);

    const ProgrammerSettings s = DefaultProgrammerSettings();
    const MandatedWaits model{s};
    const double modelUs = model.bracket() + kDevice * model.byteWritten();
    std::printf("vorlane-cli write, %d bytes over an erased chip; mandated waits: bracket %.0f us + %d x %.0f us "
                "(read %.0f + write %.0f + written time %u + read back %.0f) = %.3f s\n",
                kDevice, model.bracket(), kDevice, model.byteWritten(), model.instruction(2, 1),
                model.instruction(3, 0), s.writtenTimeUs, model.instruction(2, 1), modelUs / 1e6);
    int failures = 0;
    for (int i = 1; i <= kRuns; ++i) {
        const fs::path chip = dir / "chip.bin";
        fs::remove(chip);
        fs::remove(dir / "chip.bin.lock");
        const Run run = RunCli({VORLANE_CLI_BINARY, "write", "--quiet", (dir / "image.bin").string(),
                                "--port=sim:" + chip.string()});
        const bool ok = run.status == 0 && Contents(chip) == image;
        failures += ok ? 0 : 1;
        std::printf("run %d: wall %.3f s  mandated %.3f s  ratio %.4f  over by %.0f us (%.1f us a byte)  "
                    "cpu %.0f%% of wall  %s\n",
                    i, run.wallUs / 1e6, modelUs / 1e6, run.wallUs / modelUs, run.wallUs - modelUs,
                    (run.wallUs - modelUs) / kDevice, 100.0 * run.cpuUs / run.wallUs,
                    ok ? "chip matches" : "FAILED");
    }
    fs::remove_all(dir);
    return failures == 0 ? 0 : 1;
}
