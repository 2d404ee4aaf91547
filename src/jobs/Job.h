#pragma once

#include "JobFeedback.h"
#include "JobRange.h"
#include "JobReport.h"

#include <Device.h>
#include <DeviceImage.h>
#include <ImageCoverage.h>
#include <InstructionSet.h>
#include <IspLink.h>
#include <ProgrammingSession.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

// What the chip jobs share: the session they are handed, the document's
// image and the window's feedback, plus the steps more than one job takes.
// The chip is the session's device when the job is made, spoken to through
// its family's instructions.
class Job {
public:
    Job(ProgrammingSession& session, DeviceImage& image, JobFeedback& feedback);

    const JobReport& report() const { return report_; }
    // From now on the range's addresses outside `addresses` are passed over:
    // neither read nor written nor marked. Null (the windows') handles all.
    // The set must outlive the runs.
    void limitTo(const ImageCoverage* addresses) { limit_ = addresses; }

protected:
    // Whether there is a port to work on that can carry the chip's
    // instructions; if not, tells why and the job fails before touching a
    // line. No port must never pass for a chip that reads 0x00 or 0xFF.
    bool portReady();
    // The usual opening: this job's counter frequency, reset into programming
    // state, enable. False (after telling so, with the target released) when
    // a chip that answers its enable did not.
    bool openBracket();
    // Programming Enable after EnterProgramming, with the same failure.
    bool enable();
    // For chips with a signature: true when it is the selected device's.
    // Otherwise tells what answered, ending with "Nothing was <done>.", and
    // leaves the target in programming state. With `lockedMayHide`, a chip
    // whose lock level hides its signature passes (only an erase unlocks).
    bool chipIsSelected(std::string_view done, bool lockedMayHide = false);
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
    // Inside the bracket: takes the range, reads it from the chip and marks
    // each byte as matching the image or not; the chip copy takes what was
    // read only when asked. Progress at every 32nd address. Leaves the target
    // in programming state. True when any byte differed.
    bool compareWithChip(std::optional<int32_t> start, std::optional<int32_t> finish, bool fillChipCopy);
    // An error box, caption "ERROR".
    void error(std::string_view text);
    // The error of a chip that gave no sign of life.
    void noAnswer();
    uint8_t readChip(int32_t address);
    // Reads from..to (both included), the handled addresses only, in page
    // mode where the family has one and enough of a page is wanted, giving
    // each byte to `take` in address order. False when `take` said stop or a
    // stop was requested.
    bool readSpan(int32_t from, int32_t to, const std::function<bool(int32_t, uint8_t)>& take);
    bool handles(int32_t address) const { return !limit_ || limit_->test(static_cast<size_t>(address)); }
    // Whether the feedback asks to stop before `address`; records it if so.
    bool stopBefore(int32_t address);

    // The last run's figures.
    JobReport report_;
    ProgrammingSession& session_;
    const ProgrammerSettings& settings_;
    DeviceImage& image_;
    JobFeedback& feedback_;
    IspLink& link_;
    const Device& device_;
    // Why the link cannot carry the chip's instructions; then isp_ is null.
    std::string unsupported_;
    std::unique_ptr<InstructionSet> isp_;
    const ImageCoverage* limit_ = nullptr;
};
