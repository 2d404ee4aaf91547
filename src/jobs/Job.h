#pragma once

#include "JobFeedback.h"
#include "JobRange.h"
#include "JobReport.h"

#include <DeviceImage.h>
#include <ImageCoverage.h>
#include <IspProgrammer.h>
#include <LineDriver.h>

#include <cstdint>
#include <optional>

// What the chip jobs share: the document's image, the window's feedback and
// the link, plus the steps more than one job takes.
class Job {
public:
    Job(DeviceImage& image, JobFeedback& feedback, LineDriver& driver = lineDriver());

    const JobReport& report() const { return report_; }
    // From now on the range's addresses outside `addresses` are passed over:
    // neither read nor written nor marked. Null (the windows') handles all.
    // The set must outlive the runs.
    void limitTo(const ImageCoverage* addresses) { limit_ = addresses; }

protected:
    // Whether there is a port to work on; if not, tells why and the job
    // fails before touching a line. No port must never pass for a chip
    // that reads 0x00 or 0xFF.
    bool portReady();
    // The usual opening: this job's counter frequency, reset into programming
    // state, enable.
    void openBracket();
    // The usual end: the target released, the progress bar back to 0. False
    // (after telling why) when the port failed during the job.
    bool closeBracket();
    // Tells a port failure met during the job; true when there was none.
    bool portKept();
    // The fields clamped to this image's device. A finish one past the
    // device is accepted as typed but handled as the device's last byte: no
    // instruction ever goes out for an address the chip does not have.
    JobRange rangeOf(std::optional<int32_t> start, std::optional<int32_t> finish) const;
    // rangeOf, then the progress bar spans it.
    JobRange enterRange(std::optional<int32_t> start, std::optional<int32_t> finish);
    // Opens the bracket, takes the range, reads it from the chip and marks
    // each byte as matching the image or not; the chip copy takes what was
    // read only when asked. Progress at every 32nd address. Leaves the target
    // in programming state. True when any byte differed.
    bool compareWithChip(std::optional<int32_t> start, std::optional<int32_t> finish, bool fillChipCopy);
    // An error box, caption "ERROR".
    void error(std::string_view text);
    uint8_t readChip(int32_t address);
    bool handles(int32_t address) const { return !limit_ || limit_->test(static_cast<size_t>(address)); }
    // Whether the feedback asks to stop before `address`; records it if so.
    bool stopBefore(int32_t address);

    // The last run's figures.
    JobReport report_;
    DeviceImage& image_;
    JobFeedback& feedback_;
    LineDriver& driver_;
    IspProgrammer isp_;
    const ImageCoverage* limit_ = nullptr;
};
