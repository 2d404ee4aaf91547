#include "EraseJob.h"

#include <DeviceBytes.h>
#include <MakeInstructionSet.h>

#include <algorithm>
#include <cstdio>
#include <string>

bool EraseJob::run()
{
    report_ = {};
    if (!portReady())
        return false;
    const int32_t size = DeviceBytes(image_);
    // The chip must be the one selected; a locked one may hide what it is,
    // and only an erase unlocks it: it is asked again after.
    if (!openBracket("erased"))
        return false;
    const bool selected = chipIsSelected("erased", Use::Erase);
    const bool hidden = hiddenSignature_;
    if (!closeBracket() || !selected)
        return false;
    // Until the chip has been read back, nobody knows what it holds.
    std::fill_n(image_.chipCache.begin(), size, ChipUnknown);
    // The erase instruction brackets itself.
    if (!isp_->ChipErase()) {
        noAnswer();
        return false;
    }

    if (!openBracket("read back"))
        return false;
    // Unlocked, the chip says what it is; another chip is read back whole,
    // through its own instructions.
    const std::optional<std::array<uint8_t, 3>> signature = hidden ? isp_->ReadSignature() : std::nullopt;
    const bool other = signature && signature != device_.signature;
    const Device* found = other ? DeviceWithSignature(*signature) : nullptr;
    if (found) {
        report_.foundDevice = found->id;
        isp_ = MakeInstructionSet(*found, link_, nullptr, settings_.crystalHz);
    }
    const int32_t checked = found ? found->flashSize : size;
    report_.start = 0;
    report_.finish = checked - 1;
    const bool answered = isp_->EnableAnswers() || chipAnswers(0);
    int32_t notErased = -1;
    uint8_t value = 0xFF;
    if (answered) {
        readSpan(0, checked - 1, [&](int32_t a, uint8_t v) {
            if (v == 0xFF)
                return true;
            notErased = a;
            value = v;
            return false;
        });
    }
    const int lockLevel = isp_->ReadLockLevel().value_or(0);
    // Stopped during the read-back: erased perhaps, but nobody saw it.
    if (!closeBracket() || report_.stoppedAt >= 0)
        return false;
    if (!answered) {
        noAnswer();
        return false;
    }
    if (notErased >= 0 || lockLevel > 0) {
        char text[80];
        if (notErased >= 0)
            std::snprintf(text, sizeof text, "Memory not erased: address %04X reads %02X", notErased, value);
        else
            std::snprintf(text, sizeof text, "Memory not erased: the lock bits still read level %d", lockLevel);
        report_.firstDifference = notErased;
        error(text);
        return false;
    }
    if (other) {
        // Erased it stays, the only way to unlock a chip; but it is not the
        // chip the copy belongs to.
        const std::string what = found ? std::string("the chip is an ") + found->name + " (signature " +
                                             SignatureText(*signature) + "), not the " + device_.name + " selected"
                                       : "the chip's signature reads " + SignatureText(*signature) + ", not the " +
                                             device_.name + "'s " + SignatureText(*device_.signature);
        error("Erased, but " + what + ": its lock had hidden its signature. All " + std::to_string(checked) +
              " bytes of the " + (found ? found->name : "chip") + " read back 0xFF.");
        return false;
    }
    feedback_.message("Memory erased", "", JobFeedback::Buttons::Ok);
    std::fill_n(image_.chipCache.begin(), size, 0xFF);
    report_.succeeded = true;
    return true;
}
