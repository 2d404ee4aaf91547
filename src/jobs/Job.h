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

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
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
    // What a job is about to do to the chip, for what its lock allows.
    enum class Use { Read, Write, Erase, Lock };

    // The usual opening: this job's counter frequency, reset into programming
    // state, enable. False (after telling so, with the target released) when
    // a chip that answers its enable did not, or a chip of another family
    // answered; `done` ends that message ("Nothing was <done>.").
    bool openBracket(std::string_view done);
    // Programming Enable after EnterProgramming, with the same failures.
    bool enable(std::string_view done);
    // For chips with a signature: true when it is the selected device's and,
    // where the family reads its lock bits, the lock allows the use (no
    // reading of the content from level 2 up, no write from level 1 up).
    // Otherwise tells what answered or what the lock forbids, ending with
    // "Nothing was <done>.", and leaves the target in programming state. A
    // chip whose lock level hides its signature passes for an erase only,
    // which unlocks it (hiddenSignature_ then says so).
    bool chipIsSelected(std::string_view done, Use use);
    // openBracket and chipIsSelected; the target released when either failed.
    bool openOnChip(std::string_view done, Use use);
    // The usual end: the target released, the progress bar back to 0. False
    // (after telling why) when the port failed during the job.
    bool closeBracket();
    // Tells a port failure met during the job; true when there was none.
    bool portKept();
    // closeBracket, then "No answer" when the chip did not show itself
    // (chipShowedItself); true when neither failed.
    bool closeAnswered(bool answered);
    // The fields clamped to this image's device. A finish one past the
    // device is accepted as typed but handled as the device's last byte: no
    // instruction ever goes out for an address the chip does not have.
    JobRange rangeOf(std::optional<int32_t> start, std::optional<int32_t> finish) const;
    // rangeOf, then the progress bar spans it.
    JobRange enterRange(std::optional<int32_t> start, std::optional<int32_t> finish);
    // Inside the bracket: takes the range, reads it from the chip and marks
    // each byte as matching the image or not; the chip copy takes what was
    // read only when asked. Progress at every 32nd address. Leaves the target
    // in programming state. True when any byte differed; nothing (and nothing
    // marked or taken) when the chip did not show itself.
    std::optional<bool> compareWithChip(std::optional<int32_t> start, std::optional<int32_t> finish,
                                        bool fillChipCopy);
    // An error box, caption "ERROR".
    void error(std::string_view text);
    // "1E 52 06".
    static std::string SignatureText(const std::array<uint8_t, 3>& signature);
    // The error of a chip that gave no sign of life.
    void noAnswer();
    // The error of lock bits that read back short of the level sent.
    void lockDidNotTake(int level);
    // Whether the bytes read since the enable show that a chip answered: a
    // family that does not answer its enable reads 0xFF from an empty socket
    // too, so when nothing else was read, the chip must show itself to
    // chipAnswers at a byte that read 0xFF.
    bool chipShowedItself();
    // See Job.cpp: whether a chip answers 0xFF written over `address`, which
    // must read 0xFF.
    bool chipAnswers(int32_t address);
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
    // Whether chipIsSelected let a chip pass whose lock hid its signature.
    bool hiddenSignature_ = false;
    // What readSpan has read since the enable: a byte other than 0xFF, and
    // the first address that read 0xFF.
    bool readOtherThanFF_ = false;
    int32_t firstFF_ = -1;
};
