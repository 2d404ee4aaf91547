#pragma once

#include "GpioWorld.h"

#include <LinkModelFixture.h>

#include <At89s51And52.h>
#include <At89s53.h>
#include <ChipModel.h>

#include <memory>

// A session on a `gpio` form as a front end makes one, over the model
// kernel: a Raspberry Pi 4's GPIO chip (1.5 us an ioctl) with one of the
// three chips on its lines, in virtual time.
class GpioFixture : public LinkModelFixture<gpiomodel::GpioWorld, &gpiomodel::World> {
protected:
    void SetUp() override
    {
        LinkModelFixture::SetUp();
        gpiomodel::World().ioctlNs = 1500;
    }

    // A GPIO chip; the first is /dev/gpiochip0.
    gpiomodel::Chip& addChip() { return gpiomodel::World().addChip("pinctrl-bcm2711", 58); }
    // `id` in the socket, on `lines` of the chip.
    void plug(gpiomodel::Chip& gpio, DeviceId id, gpiomodel::Board lines = {})
    {
        chip_ = MakeChipModel(id);
        lines.chip = chip_.get();
        gpio.board = lines;
        select(id);
    }
    ProgrammingSession& session(const std::string& form = "gpio", const std::string& trace = {})
    {
        return LinkModelFixture::session(form, trace);
    }
    sim::SerialChip& chip() { return *chip_; }

private:
    std::unique_ptr<sim::SerialChip> chip_;
};
