#pragma once

#include "JobFeedback.h"
#include "JobRange.h"

#include <DeviceImage.h>
#include <IspProgrammer.h>
#include <LineDriver.h>

#include <cstdint>
#include <optional>

// What the chip jobs share: the document's image, the window's feedback and
// the link, plus the steps more than one job takes.
class Job {
public:
    Job(DeviceImage& image, JobFeedback& feedback, LineDriver& driver = lineDriver());

protected:
    // The usual opening: this job's counter frequency, reset into programming
    // state, enable.
    void openBracket();
    // The usual end: the target released, the progress bar back to 0.
    void closeBracket();
    // The fields clamped to this image's device.
    JobRange rangeOf(std::optional<int32_t> start, std::optional<int32_t> finish) const;
    // rangeOf, then the progress bar spans it.
    JobRange enterRange(std::optional<int32_t> start, std::optional<int32_t> finish);
    // Opens the bracket, takes the range, reads it from the chip and marks
    // each byte as matching the image or not; the chip copy takes what was
    // read only when asked. Progress at every 32nd address. Leaves the target
    // in programming state. True when any byte differed.
    bool compareWithChip(std::optional<int32_t> start, std::optional<int32_t> finish, bool fillChipCopy);
    uint8_t readChip(int32_t address);

    DeviceImage& image_;
    JobFeedback& feedback_;
    LineDriver& driver_;
    IspProgrammer isp_;
};
