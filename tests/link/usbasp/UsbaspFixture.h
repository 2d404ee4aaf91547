#pragma once

#include "UsbWorld.h"

#include <LinkModelFixture.h>

#include <At89s51And52.h>

#include <memory>

// A session on `usbasp` as a front end makes one, over the model world: a
// USBasp with one firmware or the other in front of an AT89S51/52, in
// virtual time.
class UsbaspFixture : public LinkModelFixture<usbmodel::UsbWorld, &usbmodel::World> {
protected:
    using Kind = usbmodel::UsbaspFirmware::Kind;
    using Variant = sim::At89s51And52::Variant;

    // The chip in the socket behind a USBasp at bus 1 device 5.
    usbmodel::UsbDevice& plug(Kind kind, Variant variant, bool rstInverted = false,
                              int64_t crystalHz = sim::At89s51And52::kDefaultCrystalHz)
    {
        chip_ = std::make_unique<sim::At89s51And52>(variant, sim::At89s51And52::datasheetTiming(crystalHz));
        select(variant == Variant::S51 ? DeviceId::AT89S51 : DeviceId::AT89S52);
        return usbmodel::World().plugUsbasp(kind, usbmodel::Board{chip_.get(), rstInverted});
    }
    ProgrammingSession& session(const char* form = "usbasp")
    {
        return LinkModelFixture::session(form);
    }
    sim::At89s51And52& chip() { return *chip_; }
    int requests(uint8_t request) { return usbmodel::World().requests[request]; }

private:
    std::unique_ptr<sim::At89s51And52> chip_;
};
