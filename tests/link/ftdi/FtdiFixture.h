#pragma once

#include "FtdiWorld.h"

#include <RecordingFeedback.h>

#include <At89s51And52.h>
#include <At89s53.h>
#include <DeviceImage.h>
#include <OpenSession.h>
#include <ProgrammingSession.h>

#include <gtest/gtest.h>

#include <memory>

// A session on `ftdi` as a front end makes one, over the model world: an
// FTDI cable in synchronous bit-bang wired to a simulated chip, in virtual
// time with 1 ms USB frames.
class FtdiFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ftdimodel::World().reset();
        SetCounterForTesting(&ftdimodel::World().clock);
        settings = DefaultProgrammerSettings();
    }
    void TearDown() override
    {
        session_.reset();
        ftdimodel::World().reset();
        SetCounterForTesting(nullptr);
    }
    void restart()
    {
        session_.reset();
        SetUp();
        image = {};
        feedback = {};
    }

    // The chip `id` behind an FT232R with serial FT1, wired as the defaults.
    ftdimodel::FtdiDevice& plug(DeviceId id, uint16_t product = 0x6001)
    {
        using Variant = sim::At89s51And52::Variant;
        s53_.reset();
        s5x_.reset();
        if (id == DeviceId::AT89S53)
            s53_ = std::make_unique<sim::At89s53>();
        else
            s5x_ = std::make_unique<sim::At89s51And52>(id == DeviceId::AT89S51 ? Variant::S51 : Variant::S52);
        select(id);
        return ftdimodel::World().plug(product, "FT1", &chip());
    }
    void select(DeviceId id)
    {
        settings.device = static_cast<uint32_t>(id);
        image.deviceSize = DeviceById(id).flashSize;
    }
    ProgrammingSession& session(const char* form = "ftdi", const std::string& trace = "")
    {
        if (!session_) {
            session_ = std::make_unique<ProgrammingSession>(settings, std::make_unique<Port>(nullptr));
            ConnectSession(*session_, PortChoice::parse(form), trace);
        }
        return *session_;
    }
    sim::SerialChip& chip() { return s53_ ? static_cast<sim::SerialChip&>(*s53_) : *s5x_; }
    int lockMode() const { return s53_ ? s53_->lockMode() : s5x_->lockMode(); }
    void setLockMode2()
    {
        if (s53_)
            s53_->setLockBits(0x67);
        else
            s5x_->setLockMode(2);
    }
    std::vector<std::string> messages() const
    {
        std::vector<std::string> texts;
        for (const auto& m : feedback.messages)
            texts.push_back(m.caption.empty() ? m.text : m.caption + ": " + m.text);
        return texts;
    }

    ProgrammerSettings settings;
    DeviceImage image;
    RecordingFeedback feedback;

private:
    std::unique_ptr<sim::At89s53> s53_;
    std::unique_ptr<sim::At89s51And52> s5x_;
    std::unique_ptr<ProgrammingSession> session_;
};
