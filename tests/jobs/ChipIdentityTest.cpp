// Which chip a job works on: every job finds out what is in the socket before
// it changes or reports on it, a locked chip is reported as locked, and an
// erased-looking AT89S53 must show it is there. Through the real driver over
// the simulated chips, in virtual time.
#include "RecordingFeedback.h"

#include <LinkFixture.h>

#include <At89s51And52.h>
#include <BlankCheckJob.h>
#include <EraseJob.h>
#include <LockJob.h>
#include <ReadJob.h>
#include <VerifyJob.h>
#include <WriteJob.h>

#include <functional>

using sim::InstructionKind;

namespace {

enum class Kind { Read, Verify, Blank, Write, Erase, Lock };

class ChipIdentityTest : public LinkFixture {
protected:
    SimBackend& use(DeviceId selected, DeviceId socket)
    {
        programmerSettings().device = static_cast<uint32_t>(selected);
        image = DeviceImage();
        image.deviceSize = DeviceById(selected).flashSize;
        feedback = RecordingFeedback();
        return useSim({}, socket);
    }
    // The job over from..to, the selected chip's whole range by default;
    // `level` for the lock.
    JobReport run(Kind job, int level, int32_t from = 0, int32_t to = -1)
    {
        const int32_t last = to < 0 ? image.deviceSize - 1 : to;
        const auto done = [](auto&& j, auto go) {
            go(j);
            return j.report();
        };
        switch (job) {
        case Kind::Read: return done(ReadJob(session(), image, feedback), [&](ReadJob& j) { j.run(from, last); });
        case Kind::Verify: return done(VerifyJob(session(), image, feedback), [&](VerifyJob& j) { j.run(from, last); });
        case Kind::Blank:
            return done(BlankCheckJob(session(), image, feedback), [&](BlankCheckJob& j) { j.run(from, last); });
        case Kind::Write:
            return done(WriteJob(session(), image, feedback, WriteJob::Mode::All),
                        [&](WriteJob& j) { j.run(from, last, 0); });
        case Kind::Erase: return done(EraseJob(session(), image, feedback), [](EraseJob& j) { j.run(); });
        case Kind::Lock: return done(LockJob(session(), image, feedback), [&](LockJob& j) { j.run(level); });
        }
        return {};
    }
    int count(SimBackend& sim, InstructionKind kind)
    {
        int n = 0;
        for (const auto& i : sim.model().history())
            n += i.kind == kind && !i.ignored;
        return n;
    }

    DeviceImage image;
    RecordingFeedback feedback;
};

const char* Word(Kind job)
{
    switch (job) {
    case Kind::Read: return "read";
    case Kind::Verify: return "verified";
    case Kind::Blank: return "checked";
    case Kind::Write: return "written";
    case Kind::Erase: return "erased";
    case Kind::Lock: return "locked";
    }
    return "";
}

// The message with its "%" replaced by the job's word.
std::string Said(std::string text, Kind job)
{
    if (const size_t at = text.find('%'); at != std::string::npos)
        text.replace(at, 1, Word(job));
    return text;
}

} // namespace

TEST_F(ChipIdentityTest, NoJobWorksOnAChipItHasNotIdentified)
{
    using D = DeviceId;
    const std::vector<Kind> all = {Kind::Read, Kind::Verify, Kind::Blank, Kind::Write, Kind::Erase, Kind::Lock};
    const std::vector<Kind> reading = {Kind::Read, Kind::Verify, Kind::Blank};
    const std::string noAnswer = "No answer from the chip: check power, the cable and the port";
    const std::string notS53 = "The chip does not answer as an AT89S53: it answers as an AT89S5%1 (signature 1E 5%1 06). "
                               "Select the AT89S5%1 in Tools > Select CI, or with --device s5%1. Nothing was %.";
    const auto chip = [](std::string text, char digit) {
        for (size_t at; (at = text.find("%1")) != std::string::npos;)
            text.replace(at, 2, 1, digit);
        return text;
    };
    const struct {
        D selected;
        D socket;
        const char* lock; // the chip's lock state before, in its chip file's form; "" none
        std::vector<Kind> jobs;
        bool ok;
        std::string message; // the first box, "" none; "%" is the job's word
        std::optional<D> found;
        // The chip found is erased whole and unlocked; otherwise no byte and
        // no lock bit of the chip may change, and neither may the image.
        bool erased = false;
    } rows[] = {
        // The three chips in their own sockets: the jobs that only look go on.
        {D::AT89S51, D::AT89S51, "", {Kind::Read}, true, "", {}},
        {D::AT89S52, D::AT89S52, "", {Kind::Read}, true, "", {}},
        {D::AT89S53, D::AT89S53, "", {Kind::Read}, true, "", {}},
        // The other chip of the same family tells what it is.
        {D::AT89S52, D::AT89S51, "", all, false,
         "The chip is an AT89S51 (signature 1E 51 06), not the AT89S52 selected. Nothing was %.", D::AT89S51},
        {D::AT89S51, D::AT89S52, "", all, false,
         "The chip is an AT89S52 (signature 1E 52 06), not the AT89S51 selected. Nothing was %.", D::AT89S52},
        // An AT89S51/52 answers the enable the AT89S53 does not have.
        {D::AT89S53, D::AT89S51, "", all, false, chip(notS53, '1'), D::AT89S51},
        {D::AT89S53, D::AT89S52, "", all, false, chip(notS53, '2'), D::AT89S52},
        {D::AT89S51, D::AT89S53, "", all, false, noAnswer, {}},
        {D::AT89S52, D::AT89S53, "", all, false, noAnswer, {}},
        // A locked chip: verify disabled from level 2, programming from level 1.
        {D::AT89S52, D::AT89S52, "mode 3", reading, false,
         "The chip is locked at level 2: its content cannot be read; erase it to unlock. Nothing was %.", {}},
        {D::AT89S52, D::AT89S52, "mode 3", {Kind::Write}, false,
         "The chip is locked at level 2: it takes no more writes; erase it to unlock. Nothing was written.", {}},
        {D::AT89S52, D::AT89S52, "mode 2", {Kind::Write}, false,
         "The chip is locked at level 1: it takes no more writes; erase it to unlock. Nothing was written.", {}},
        {D::AT89S52, D::AT89S52, "mode 2", {Kind::Read}, true, "", {}},
        // Locked at level 2 it hides its signature: only an erase, which
        // unlocks it, may go on, and what it was shows after.
        {D::AT89S51, D::AT89S52, "mode 3", {Kind::Lock}, false,
         "The chip is locked at level 2, which hides what chip it is: erase it to unlock. Nothing was locked.", {}},
        {D::AT89S51, D::AT89S52, "mode 3", {Kind::Erase}, false,
         "Erased, but the chip is an AT89S52 (signature 1E 52 06), not the AT89S51 selected: its lock had hidden "
         "its signature. All 8192 bytes of the AT89S52 read back 0xFF.",
         D::AT89S52, true},
    };
    for (const auto& row : rows) {
        for (const Kind job : row.jobs) {
            SCOPED_TRACE(std::string(DeviceById(row.selected).tag) + " selected, " + DeviceById(row.socket).tag +
                         " " + row.lock + " in the socket, " + Word(job));
            SimBackend& sim = use(row.selected, row.socket);
            sim::SerialChip& chip = sim.model();
            for (size_t a = 0; a < chip.flashBytes().size(); ++a)
                chip.flashBytes()[a] = static_cast<uint8_t>(a * 7 + (a >> 8) + 1);
            if (*row.lock) {
                ASSERT_TRUE(chip.setLockText(row.lock));
            }
            const std::vector<uint8_t> flash(chip.flashBytes().begin(), chip.flashBytes().end());
            const std::string lock = chip.lockText();
            // Bits to clear only: a write that got through would show.
            std::fill_n(image.buffer.begin(), image.deviceSize, 0x00);
            image.chipCache.fill(0x12);
            const DeviceImage before = image;

            const JobReport r = run(job, *row.lock ? 3 : 1);

            EXPECT_EQ(r.succeeded, row.ok);
            EXPECT_EQ(feedback.messages.empty() ? "" : feedback.messages.front().text, Said(row.message, job));
            EXPECT_EQ(r.foundDevice, row.found);
            EXPECT_FALSE(chip.inProgramming());
            if (row.erased) {
                EXPECT_EQ(std::vector<uint8_t>(chip.flashBytes().begin(), chip.flashBytes().end()),
                          std::vector<uint8_t>(flash.size(), 0xFF));
                EXPECT_EQ(chip.lockText(), "mode 1\n");
                EXPECT_EQ(count(sim, InstructionKind::ReadPage), 32) << "the read-back covers the chip found";
                continue;
            }
            EXPECT_EQ(std::vector<uint8_t>(chip.flashBytes().begin(), chip.flashBytes().end()), flash);
            EXPECT_EQ(chip.lockText(), lock);
            if (!row.ok) {
                EXPECT_TRUE(image.buffer == before.buffer && image.chipCache == before.chipCache &&
                            image.marks == before.marks)
                    << "the image changed";
            }
        }
    }
}

TEST_F(ChipIdentityTest, AnAT89S53ThatReadsErasedMustShowItIsThere)
{
    const std::string noAnswer = "No answer from the chip: check power, the cable and the port";
    const struct {
        const char* what;
        sim::Target target;
        uint8_t idleByte;
        Kind job;
        bool ok;
        std::string message;
    } rows[] = {
        {"a blank chip", sim::Target::Present, 0x00, Kind::Blank, true, "Memory is blanck"},
        {"a blank chip", sim::Target::Present, 0x00, Kind::Read, true, ""},
        {"no chip", sim::Target::AbsentPulledHigh, 0x00, Kind::Blank, false, noAnswer},
        {"no chip", sim::Target::AbsentPulledHigh, 0x00, Kind::Read, false, noAnswer},
        {"no chip", sim::Target::AbsentPulledHigh, 0x00, Kind::Verify, false, noAnswer},
        {"reset of the wrong polarity", sim::Target::Present, 0x01, Kind::Blank, false, noAnswer},
        {"reset of the wrong polarity", sim::Target::Present, 0x01, Kind::Read, false, noAnswer},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.what) + ", " + Word(row.job));
        SimBackend& sim = use(DeviceId::AT89S53, DeviceId::AT89S53);
        sim.cable().setTarget(row.target);
        programmerSettings().idleByte = row.idleByte;
        image.buffer.fill(0xFF);
        image.buffer[0x100] = 0x00; // outside the range: must stay
        const DeviceImage before = image;

        const JobReport r = run(row.job, 0, 0x200, 0x2FF);

        EXPECT_EQ(r.succeeded, row.ok);
        EXPECT_EQ(feedback.messages.empty() ? "" : feedback.messages.front().text, row.message);
        EXPECT_TRUE(image.buffer == before.buffer) << "the image changed";
        EXPECT_TRUE(row.ok || image.chipCache == before.chipCache) << "the chip copy changed";
        // The proof is 0xFF written over the first byte read, which read 0xFF.
        std::vector<int> writes;
        for (const auto& i : sim.model().history())
            if (i.kind == InstructionKind::WriteCode)
                writes.push_back(i.address);
        EXPECT_EQ(writes, row.ok ? std::vector<int>{0x200} : std::vector<int>{}) << "no chip took an instruction";
        EXPECT_TRUE(std::all_of(sim.model().flashBytes().begin(), sim.model().flashBytes().end(),
                                [](uint8_t b) { return b == 0xFF; }));
    }
}
