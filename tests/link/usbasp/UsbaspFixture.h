#pragma once

#include "UsbWorld.h"

#include <RecordingFeedback.h>

#include <At89s51And52.h>
#include <DeviceImage.h>
#include <OpenSession.h>
#include <ProgrammingSession.h>

#include <gtest/gtest.h>

#include <memory>

// A session on `usbasp` as a front end makes one, over the model world: a
// USBasp with one firmware or the other in front of an AT89S51/52, in
// virtual time.
class UsbaspFixture : public ::testing::Test {
protected:
    using Kind = usbmodel::UsbaspFirmware::Kind;
    using Variant = sim::At89s51And52::Variant;

    void SetUp() override
    {
        usbmodel::World().reset();
        SetCounterForTesting(&usbmodel::World().clock);
        settings = DefaultProgrammerSettings();
    }
    void TearDown() override
    {
        session_.reset();
        usbmodel::World().reset();
        SetCounterForTesting(nullptr);
    }
    // A new world, as for a test of its own.
    void restart()
    {
        session_.reset();
        SetUp();
        image = {};
        feedback = {};
    }

    // The chip in the socket behind a USBasp at bus 1 device 5.
    usbmodel::UsbDevice& plug(Kind kind, Variant variant, bool rstInverted = false,
                              int64_t crystalHz = sim::At89s51And52::kDefaultCrystalHz)
    {
        chip_ = std::make_unique<sim::At89s51And52>(variant, sim::At89s51And52::datasheetTiming(crystalHz));
        select(variant == Variant::S51 ? DeviceId::AT89S51 : DeviceId::AT89S52);
        return usbmodel::World().plugUsbasp(kind, usbmodel::Board{chip_.get(), rstInverted});
    }
    void select(DeviceId id)
    {
        settings.device = static_cast<uint32_t>(id);
        image.deviceSize = DeviceById(id).flashSize;
    }
    ProgrammingSession& session(const char* form = "usbasp")
    {
        if (!session_) {
            session_ = std::make_unique<ProgrammingSession>(settings, std::make_unique<Port>(nullptr));
            ConnectSession(*session_, PortChoice::parse(form), "");
        }
        return *session_;
    }
    sim::At89s51And52& chip() { return *chip_; }
    int requests(uint8_t request) { return usbmodel::World().requests[request]; }
    // The message boxes' texts, caption first when there is one.
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
    std::unique_ptr<sim::At89s51And52> chip_;
    std::unique_ptr<ProgrammingSession> session_;
};
