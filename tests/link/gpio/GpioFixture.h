#pragma once

#include "GpioWorld.h"

#include <RecordingFeedback.h>

#include <At89s51And52.h>
#include <At89s53.h>
#include <DeviceImage.h>
#include <OpenSession.h>
#include <ProgrammingSession.h>

#include <gtest/gtest.h>

#include <memory>

// A session on a `gpio` form as a front end makes one, over the model
// kernel: a Raspberry Pi 4's GPIO chip (1.5 us an ioctl) with one of the
// three chips on its lines, in virtual time.
class GpioFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        gpiomodel::World().reset();
        gpiomodel::World().ioctlNs = 1500;
        SetCounterForTesting(&gpiomodel::World().clock);
        settings = DefaultProgrammerSettings();
    }
    void TearDown() override
    {
        session_.reset();
        gpiomodel::World().reset();
        SetCounterForTesting(nullptr);
    }
    void restart()
    {
        session_.reset();
        SetUp();
        image = {};
        feedback = {};
    }

    // A GPIO chip; the first is /dev/gpiochip0.
    gpiomodel::Chip& addChip() { return gpiomodel::World().addChip("pinctrl-bcm2711", 58); }
    // `id` in the socket, on `lines` of the chip.
    void plug(gpiomodel::Chip& gpio, DeviceId id, gpiomodel::Board lines = {})
    {
        using sim::At89s51And52;
        if (id == DeviceId::AT89S53)
            chip_ = std::make_unique<sim::At89s53>();
        else
            chip_ = std::make_unique<At89s51And52>(id == DeviceId::AT89S51 ? At89s51And52::Variant::S51
                                                                          : At89s51And52::Variant::S52);
        lines.chip = chip_.get();
        gpio.board = lines;
        settings.device = static_cast<uint32_t>(id);
        image.deviceSize = DeviceById(id).flashSize;
    }
    ProgrammingSession& session(const std::string& form = "gpio", const std::string& trace = {})
    {
        if (!session_) {
            session_ = std::make_unique<ProgrammingSession>(settings, std::make_unique<Port>(nullptr));
            ConnectSession(*session_, PortChoice::parse(form.c_str()), trace);
        }
        return *session_;
    }
    sim::SerialChip& chip() { return *chip_; }
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
    std::unique_ptr<sim::SerialChip> chip_;
    std::unique_ptr<ProgrammingSession> session_;
};
