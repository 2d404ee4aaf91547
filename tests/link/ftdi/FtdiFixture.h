#pragma once

#include "FtdiWorld.h"

#include <LinkModelFixture.h>

#include <At89s51And52.h>
#include <At89s53.h>

#include <memory>

// A session on `ftdi` as a front end makes one, over the model world: an
// FTDI cable in synchronous bit-bang wired to a simulated chip, in virtual
// time with 1 ms USB frames.
class FtdiFixture : public LinkModelFixture<ftdimodel::FtdiWorld, &ftdimodel::World> {
protected:

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
    ProgrammingSession& session(const char* form = "ftdi", const std::string& trace = "")
    {
        return LinkModelFixture::session(form, trace);
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

private:
    std::unique_ptr<sim::At89s53> s53_;
    std::unique_ptr<sim::At89s51And52> s5x_;
};
