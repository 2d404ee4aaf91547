#include "CliRunner.h"

#include "CliInfo.h"
#include "CliSettings.h"
#include "CliText.h"
#include "CliUsage.h"
#include "ExitCode.h"
#include "ImageInput.h"
#include "OutputFile.h"

#include <BlankCheckJob.h>
#include <EraseJob.h>
#include <ImageFile.h>
#include <LockJob.h>
#include <OpenSession.h>
#include <ReadJob.h>
#include <ResetJob.h>
#include <SettingsStore.h>
#include <StopSignal.h>
#include <WriteJob.h>
#include <WriteVerifyJob.h>

#include <PortTrace.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

using Command = CliArguments::Command;

// How many differing bytes a failed verify lists before it only counts.
constexpr int kDifferencesShown = 10;

const char* const kLockLevels[] = {
    "no memory lock",
    "MOVC disabled and further programming is disabled",
    "same as 1, and verify is disabled",
    "same as 2, and external execution is disabled",
};

} // namespace

CliRunner::CliRunner(std::FILE* out, std::FILE* err) : out_(out), err_(err)
{
}

int CliRunner::run(const std::vector<std::string>& words)
{
    IgnoreClosedPipes();
    const int code = runCommand(words);
    // As coreutils: what was asked for and not written is a failure.
    if (std::fflush(out_) != 0 || std::ferror(out_)) {
        const int error = errno;
        std::fprintf(err_, "vorlane-cli: standard output: %s\n", std::strerror(error ? error : EIO));
        return code == ExitDone ? ExitBadInput : code;
    }
    return code;
}

int CliRunner::runCommand(const std::vector<std::string>& words)
{
    std::string problem;
    // The largest device bounds --range until the device is known.
    auto parsed = CliArguments::Parse(words, DeviceById(DeviceId::AT89S53).flashSize, &problem);
    if (!parsed) {
        usageError(problem);
        return ExitBadInput;
    }
    args_ = std::move(*parsed);
    if (args_.help) {
        std::fputs(CliUsage().c_str(), out_);
        return ExitDone;
    }
    if (args_.version) {
        std::fputs("vorlane-cli " VORLANE_VERSION "\n", out_);
        return ExitDone;
    }
    const TerminalFeedback::Style style = args_.quiet             ? TerminalFeedback::Style::Quiet
                                          : ::isatty(::fileno(err_)) ? TerminalFeedback::Style::Bar
                                                                     : TerminalFeedback::Style::Lines;
    feedback_ = std::make_unique<TerminalFeedback>(err_, style, [] { return StopSignalNumber() != 0; });
    const int prepared = prepare();
    if (prepared != ExitDone)
        return prepared;
    InstallStopHandlers();
    const int code = dispatch();
    // Lets go of the device and puts the whole trace on disk.
    claim_.reset();
    session_->close();
    if (const std::string trace = session_->traceProblem(); !trace.empty()) {
        feedback_->error("the trace is incomplete: " + trace);
        return code == ExitDone ? ExitBadInput : code;
    }
    return code;
}

int CliRunner::prepare()
{
    const char* environment = std::getenv("VORLANE_TRACE");
    const std::string trace = args_.trace.value_or(environment ? environment : "");
    // Told before any port is opened; never waits for a FIFO's reader.
    if (!trace.empty()) {
        const int fd = PortTrace::OpenFile(trace);
        if (fd < 0) {
            feedback_->error(trace + ": cannot open the trace file: " + PortTrace::Reason(-fd));
            return ExitBadInput;
        }
        ::close(fd);
    }
    std::string problem;
    if (!LoadCliSettings(settings_, args_.settings, &problem)) {
        usageError(problem);
        return ExitBadInput;
    }
    if (args_.device)
        settings_.device = static_cast<uint32_t>(*args_.device);
    // The port opens when the job first needs it, which is after this.
    // --port, else VORLANE_PORT, else the programmer chosen in the window.
    choice_ = args_.port.value_or(ChosenPort(std::getenv("VORLANE_PORT"), SettingsStore::LoadProgrammer()));
    session_ = OpenSession(settings_, choice_, trace);
    const int32_t size = device().flashSize;
    if (args_.range && args_.range->last >= size) {
        usageError("--range: " + AddressText(args_.range->last) + " lies outside the " + device().name + " (" +
                   SpanText(0, size - 1) + ")");
        return ExitBadInput;
    }
    return ExitDone;
}

std::unique_ptr<DeviceImage> CliRunner::blankImage() const
{
    auto image = std::make_unique<DeviceImage>();
    image->deviceSize = device().flashSize;
    return image;
}

int CliRunner::dispatch()
{
    const struct {
        Command command;
        int (CliRunner::*run)();
    } commands[] = {
        {Command::Write, &CliRunner::write},           {Command::Read, &CliRunner::read},
        {Command::Verify, &CliRunner::verify},         {Command::BlankCheck, &CliRunner::blankCheck},
        {Command::Erase, &CliRunner::erase},           {Command::Lock, &CliRunner::lock},
        {Command::Reset, &CliRunner::reset},           {Command::Info, &CliRunner::info},
    };
    for (const auto& c : commands)
        if (c.command == args_.command)
            return (this->*c.run)();
    return ExitBadInput;
}

void CliRunner::usageError(const std::string& text)
{
    std::fprintf(err_, "vorlane-cli: %s\nTry 'vorlane-cli --help' for more information.\n", text.c_str());
}

CliRunner::Span CliRunner::rangeSpan() const
{
    return args_.range ? Span{args_.range->first, args_.range->last} : Span{0, device().flashSize - 1};
}

ImageCoverage CliRunner::rangeMask() const
{
    ImageCoverage mask;
    const Span span = rangeSpan();
    for (int32_t a = span.first; a <= span.last; ++a)
        mask.set(static_cast<size_t>(a));
    return mask;
}

bool CliRunner::openInput(ImageInput& input, Span& span, int* exitCode)
{
    std::string problem;
    input.image = blankImage();
    const ImageInput::Outcome loaded = input.load(args_.file, args_.format, &problem);
    if (loaded == ImageInput::Outcome::Stopped) {
        feedback_->error("stopped while reading standard input; the chip was not touched");
        *exitCode = 128 + StopSignalNumber();
        return false;
    }
    if (loaded != ImageInput::Outcome::Loaded) {
        feedback_->error(problem);
        *exitCode = ExitBadInput;
        return false;
    }
    if (!input.warning.empty())
        feedback_->warning(input.warning);
    input.covered &= rangeMask();
    if (input.covered.none()) {
        const Span range = rangeSpan();
        feedback_->error(FileLabel(args_.file, true) + " holds no data in " + SpanText(range.first, range.last) +
                         ". Nothing was done.");
        *exitCode = ExitBadInput;
        return false;
    }
    for (int32_t a = 0; a < device().flashSize; ++a) {
        if (!input.covered.test(static_cast<size_t>(a)))
            continue;
        span.first = span.first < 0 ? a : span.first;
        span.last = a;
    }
    return portReady(exitCode);
}

bool CliRunner::portReady(int* exitCode)
{
    // Busy is as good as no port: exit 3, with who holds it.
    if (!claim_)
        claim_ = std::make_unique<LinkClaim>(session_->link());
    std::string why;
    if (!session_->link().PortReady(&why)) {
        feedback_->error(why);
        *exitCode = ExitNoPort;
        return false;
    }
    if (const int signal = StopSignalNumber()) {
        feedback_->error("stopped before the job began; the chip was not touched");
        *exitCode = 128 + signal;
        return false;
    }
    return true;
}

int CliRunner::stopped(const JobReport& report, const std::string& done)
{
    std::string text = std::string(CommandName(args_.command)) + " stopped";
    if (report.stoppedAt >= 0)
        text += " before " + AddressText(report.stoppedAt);
    text += done.empty() ? "" : " (" + done + ")";
    feedback_->error(text + "; the target's lines are released");
    return 128 + StopSignalNumber();
}

int CliRunner::failed(const JobReport& report)
{
    if (report.foundDevice) {
        std::string tag = DeviceById(*report.foundDevice).name;
        std::transform(tag.begin(), tag.end(), tag.begin(), [](unsigned char c) { return std::tolower(c); });
        feedback_->error(std::string("the socket holds an ") + DeviceById(*report.foundDevice).name +
                         ": run again with --device " + tag + " to work on it");
    }
    return ExitJobFailed;
}

int CliRunner::write()
{
    ImageInput input;
    Span span;
    int code = ExitDone;
    if (!openInput(input, span, &code))
        return code;
    DeviceImage& image = *input.image;
    const std::string name = FileLabel(args_.file, true);
    if (args_.erase) {
        feedback_->begin("erase", "the whole chip");
        EraseJob job(*session_, image, *feedback_);
        const bool erased = job.run();
        if (job.report().stoppedAt >= 0)
            return stopped(job.report(), "erased, not yet read back; nothing written");
        if (!erased)
            return failed(job.report());
    }
    feedback_->begin("write", name + ", " + BytesText(static_cast<int64_t>(input.covered.count())) +
                                  " in " + SpanText(span.first, span.last));
    WriteJob job(*session_, image, *feedback_, WriteJob::Mode::Changes);
    job.limitTo(&input.covered);
    // The lock waits for a good write: a chip locked over a failed or
    // stopped write could never be put right without an erase.
    const bool written = job.run(span.first, span.last, 0);
    const JobReport& r = job.report();
    const std::string counts =
        "wrote " + BytesText(r.written) + ", skipped " + CountText(r.skipped) + " already on the chip";
    if (r.stoppedAt >= 0)
        return stopped(r, counts);
    if (!written) {
        if (r.firstDifference >= 0) {
            const int32_t a = r.firstDifference;
            feedback_->error(name + ": the byte at " + AddressText(a) + " did not take: writing " +
                             ByteText(image.buffer[a]) + ", the chip reads back " + ByteText(image.chipCache[a]) + " (" +
                             counts + " before it)");
        }
        return failed(r);
    }
    if (args_.level > 0) {
        feedback_->begin("lock", "level " + std::to_string(args_.level));
        LockJob job(*session_, image, *feedback_);
        if (!job.run(args_.level))
            return failed(job.report());
    }
    std::string summary = (args_.erase ? "erased the chip, " : "") + counts + ", " +
                          SpanText(span.first, span.last) + ", " + SecondsText(feedback_->elapsed());
    if (args_.level > 0)
        summary += ", lock level " + std::to_string(args_.level) + " set";
    feedback_->summary(summary);
    return ExitDone;
}

int CliRunner::read()
{
    const ImageFileKind kind = args_.format.value_or(ImageFileKindOfSuffix(args_.file));
    const std::string name = FileLabel(args_.file, false);
    // As gzip: bytes no terminal can show are not sent to one unasked.
    if (args_.file == "-" && !args_.format && ::isatty(STDOUT_FILENO)) {
        feedback_->error("standard output is a terminal: give --format hex, or send it to a file or a pipe");
        return ExitBadInput;
    }
    const ImageCoverage mask = rangeMask();
    const Span span = rangeSpan();
    OutputFile output;
    std::string problem;
    if (!output.create(args_.file, &problem)) {
        feedback_->error(problem);
        return ExitBadInput;
    }
    int code = ExitDone;
    if (!portReady(&code))
        return code;
    feedback_->begin("read", SpanText(span.first, span.last) + " into " + name);
    const auto image = blankImage();
    ReadJob job(*session_, *image, *feedback_);
    job.limitTo(&mask);
    const bool read = job.run(span.first, span.last);
    if (job.report().stoppedAt >= 0)
        return stopped(job.report(), name + " not written");
    if (!read)
        return failed(job.report());
    if (!output.commit(StoreImageFile(*image, kind, span.first, span.last), &problem)) {
        feedback_->error(problem);
        return ExitBadInput;
    }
    feedback_->summary("read " + BytesText(job.report().read) + ", " + SpanText(span.first, span.last) + ", " +
                       SecondsText(feedback_->elapsed()) + ", into " + name);
    return ExitDone;
}

int CliRunner::verify()
{
    ImageInput input;
    Span span;
    int code = ExitDone;
    if (!openInput(input, span, &code))
        return code;
    const auto count = static_cast<int64_t>(input.covered.count());
    const std::string name = FileLabel(args_.file, true);
    feedback_->begin("verify", name + ", " + BytesText(count) + " in " + SpanText(span.first, span.last));
    DeviceImage& image = *input.image;
    WriteVerifyJob job(*session_, image, *feedback_);
    job.limitTo(&input.covered);
    const int errorsBefore = feedback_->errors();
    const bool same = job.run(span.first, span.last);
    const JobReport& r = job.report();
    if (r.stoppedAt >= 0)
        return stopped(r, "compared " + BytesText(r.read));
    if (feedback_->errors() > errorsBefore)
        return failed(r);
    if (!same) {
        std::string text = name + ": " + CountText(r.differing) + " of " + BytesText(count) +
                           " differ from the chip";
        int shown = 0;
        for (int32_t a = span.first; a <= span.last && shown < kDifferencesShown; ++a) {
            if (!input.covered.test(static_cast<size_t>(a)) || image.marks[a] != MarkMismatch)
                continue;
            text += "\n  " + AddressText(a) + ": chip " + ByteText(image.chipCache[a]) + ", file " + ByteText(image.buffer[a]);
            ++shown;
        }
        if (r.differing > shown)
            text += "\n  and " + CountText(r.differing - shown) + " more";
        feedback_->error(text);
        return ExitJobFailed;
    }
    feedback_->summary("verified " + BytesText(count) + " of " + name + ", all match, " +
                       SpanText(span.first, span.last) + ", " + SecondsText(feedback_->elapsed()));
    return ExitDone;
}

int CliRunner::blankCheck()
{
    const ImageCoverage mask = rangeMask();
    const Span span = rangeSpan();
    int code = ExitDone;
    if (!portReady(&code))
        return code;
    feedback_->begin("blank-check", SpanText(span.first, span.last));
    const auto image = blankImage();
    BlankCheckJob job(*session_, *image, *feedback_);
    job.limitTo(&mask);
    const int errorsBefore = feedback_->errors();
    const bool blank = job.run(span.first, span.last);
    const JobReport& r = job.report();
    if (r.stoppedAt >= 0)
        return stopped(r, "read " + BytesText(r.read) + ", all 0xFF");
    if (feedback_->errors() > errorsBefore)
        return failed(r);
    if (!blank) {
        feedback_->error("not blank: the byte at " + AddressText(r.firstDifference) + " is not 0xFF");
        return ExitJobFailed;
    }
    feedback_->summary("blank: " + SpanText(span.first, span.last) + ", " + BytesText(r.read) + " read, all 0xFF, " +
                       SecondsText(feedback_->elapsed()));
    return ExitDone;
}

int CliRunner::erase()
{
    int code = ExitDone;
    if (!portReady(&code))
        return code;
    feedback_->begin("erase", "the whole chip");
    const auto image = blankImage();
    EraseJob job(*session_, *image, *feedback_);
    const bool erased = job.run();
    if (job.report().stoppedAt >= 0)
        return stopped(job.report(), "erased, not all read back");
    if (!erased)
        return failed(job.report());
    feedback_->summary("erased: all " + BytesText(device().flashSize) + " read back 0xFF, " +
                       SecondsText(feedback_->elapsed()));
    return ExitDone;
}

int CliRunner::lock()
{
    int code = ExitDone;
    if (!portReady(&code))
        return code;
    feedback_->begin("lock", "level " + std::to_string(args_.level));
    const auto image = blankImage();
    LockJob job(*session_, *image, *feedback_);
    if (!job.run(args_.level))
        return failed(job.report());
    feedback_->summary("lock level " + std::to_string(args_.level) + " set (" + kLockLevels[args_.level] +
                       "); only an erase clears it");
    return ExitDone;
}

int CliRunner::reset()
{
    int code = ExitDone;
    if (!portReady(&code))
        return code;
    feedback_->begin("reset", "the target's reset line");
    std::string why;
    if (!ResetJob(*session_).run(&why)) {
        feedback_->error(why);
        return ExitJobFailed;
    }
    feedback_->summary("reset: the target was reset and released");
    return ExitDone;
}

int CliRunner::info()
{
    std::string why;
    const bool ready = session_->link().PortReady(&why);
    std::fputs(CliInfo(choice_, session_->describePort(), device(), settings_,
                       SettingsStore::Location()).c_str(), out_);
    return ready ? ExitDone : ExitNoPort;
}
