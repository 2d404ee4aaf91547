#include "Job.h"

#include <algorithm>

Job::Job(DeviceImage& image, JobFeedback& feedback, LineDriver& driver)
    : image_(image), feedback_(feedback), driver_(driver), isp_(driver)
{
}

bool Job::portReady()
{
    // A fresh start: nothing of an earlier job's port trouble counts here.
    driver_.TakePortFault();
    std::string why;
    if (driver_.PortReady(&why))
        return true;
    error(why);
    return false;
}

void Job::openBracket()
{
    driver_.RefreshTimerFrequency();
    driver_.EnterProgramming();
    isp_.ProgrammingEnable();
}

bool Job::closeBracket()
{
    driver_.LeaveProgramming();
    feedback_.progress(0);
    return portKept();
}

bool Job::portKept()
{
    const std::string fault = driver_.TakePortFault();
    if (fault.empty())
        return true;
    error(fault);
    return false;
}

void Job::error(std::string_view text)
{
    feedback_.message(text, "ERROR", JobFeedback::Buttons::Ok);
}

JobRange Job::rangeOf(std::optional<int32_t> start, std::optional<int32_t> finish) const
{
    const int32_t size = std::clamp<int32_t>(image_.deviceSize, 0, kImageCapacity);
    JobRange range = JobRange::FromFields(start, finish, size);
    range.finish = std::min(range.finish, size - 1);
    return range;
}

JobRange Job::enterRange(std::optional<int32_t> start, std::optional<int32_t> finish)
{
    const JobRange range = rangeOf(start, finish);
    report_.start = range.start;
    report_.finish = range.finish;
    feedback_.progressRange(range.start, range.finish);
    return range;
}

bool Job::compareWithChip(std::optional<int32_t> start, std::optional<int32_t> finish, bool fillChipCopy)
{
    openBracket();
    const JobRange range = enterRange(start, finish);
    bool differs = false;
    for (int32_t a = range.start; a <= range.finish; ++a) {
        if (!handles(a))
            continue;
        if (stopBefore(a))
            break;
        const uint8_t v = readChip(a);
        if (fillChipCopy)
            image_.chipCache[a] = v;
        const bool same = v == image_.buffer[a];
        image_.marks[a] = same ? MarkNone : MarkMismatch;
        if (!same) {
            if (report_.differing++ == 0)
                report_.firstDifference = a;
        }
        differs = differs || !same;
        if (a % 32 == 0)
            feedback_.progress(a);
    }
    return differs;
}

bool Job::stopBefore(int32_t address)
{
    if (!feedback_.stopRequested())
        return false;
    report_.stoppedAt = address;
    return true;
}

uint8_t Job::readChip(int32_t address)
{
    ++report_.read;
    return isp_.ReadCodeByte(static_cast<uint16_t>(address));
}
