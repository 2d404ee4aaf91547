#include "EraseJob.h"

#include <DeviceBytes.h>

#include <algorithm>
#include <cstdio>

bool EraseJob::run()
{
    report_ = {};
    if (!portReady())
        return false;
    const int32_t size = DeviceBytes(image_);
    // A chip that can say what it is must be the one selected; a locked one
    // may hide it, and only an erase unlocks it.
    if (device_.signature) {
        if (!openBracket())
            return false;
        const bool selected = chipIsSelected("erased", true);
        if (!closeBracket() || !selected)
            return false;
    }
    // Until the chip has been read back, nobody knows what it holds.
    std::fill_n(image_.chipCache.begin(), size, ChipUnknown);
    // The erase instruction brackets itself.
    if (!isp_->ChipErase()) {
        noAnswer();
        return false;
    }

    if (!openBracket())
        return false;
    report_.start = 0;
    report_.finish = size - 1;
    const bool answered = isp_->EnableAnswers() || chipAnswers();
    int32_t notErased = -1;
    uint8_t found = 0xFF;
    if (answered) {
        readSpan(0, size - 1, [&](int32_t a, uint8_t v) {
            if (v == 0xFF)
                return true;
            notErased = a;
            found = v;
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
            std::snprintf(text, sizeof text, "Memory not erased: address %04X reads %02X", notErased, found);
        else
            std::snprintf(text, sizeof text, "Memory not erased: the lock bits still read level %d", lockLevel);
        report_.firstDifference = notErased;
        error(text);
        return false;
    }
    feedback_.message("Memory erased", "", JobFeedback::Buttons::Ok);
    std::fill_n(image_.chipCache.begin(), size, 0xFF);
    report_.succeeded = true;
    return true;
}

bool EraseJob::chipAnswers()
{
    // An erased chip and no chip at all both read 0xFF: MISO idles high
    // behind its pull-up, and a chip whose RST never rose (the reset line of
    // the wrong polarity) never drives it. Without an answer to the enable,
    // only Data Polling tells them apart: while a byte write is in progress
    // the chip returns the written byte's bit 7 inverted. Writing 0xFF over
    // an erased byte changes nothing, so the probe costs one write cycle and
    // no data.
    const ProgrammerSettings& s = settings_;
    // The probe's read must reach bit 7 well inside the write cycle, which
    // the written time stands for; with very slow clock settings it cannot,
    // and the read-back alone has to do.
    const uint64_t bitUs = uint64_t{s.upTimeUs} + s.downTimeUs;
    const uint64_t toBit7Us = 17 * bitUs + 2;
    if (toBit7Us * 2 > s.writtenTimeUs)
        return true;
    isp_->WriteCodeByte(0, 0xFF);
    const uint8_t polled = readChip(0);
    link_.DelayMicroseconds(s.writtenTimeUs);
    return (polled & 0x80) == 0;
}
