#include "Job.h"

#include <algorithm>

Job::Job(DeviceImage& image, JobFeedback& feedback, LineDriver& driver)
    : image_(image), feedback_(feedback), driver_(driver), isp_(driver)
{
}

void Job::openBracket()
{
    driver_.RefreshTimerFrequency();
    driver_.EnterProgramming();
    isp_.ProgrammingEnable();
}

void Job::closeBracket()
{
    driver_.LeaveProgramming();
    feedback_.progress(0);
}

JobRange Job::rangeOf(std::optional<int32_t> start, std::optional<int32_t> finish) const
{
    // A finish may reach deviceSize itself; keep that inside the image arrays
    // whatever deviceSize holds.
    const int32_t size = std::clamp<int32_t>(image_.deviceSize, 0, kImageCapacity - 1);
    return JobRange::FromFields(start, finish, size);
}

JobRange Job::enterRange(std::optional<int32_t> start, std::optional<int32_t> finish)
{
    const JobRange range = rangeOf(start, finish);
    feedback_.progressRange(range.start, range.finish);
    return range;
}

bool Job::compareWithChip(std::optional<int32_t> start, std::optional<int32_t> finish, bool fillChipCopy)
{
    openBracket();
    const JobRange range = enterRange(start, finish);
    bool differs = false;
    for (int32_t a = range.start; a <= range.finish; ++a) {
        const uint8_t v = readChip(a);
        if (fillChipCopy)
            image_.chipCache[a] = v;
        const bool same = v == image_.buffer[a];
        image_.marks[a] = same ? MarkNone : MarkMismatch;
        differs = differs || !same;
        if (a % 32 == 0)
            feedback_.progress(a);
    }
    return differs;
}

uint8_t Job::readChip(int32_t address)
{
    return isp_.ReadCodeByte(static_cast<uint16_t>(address));
}
