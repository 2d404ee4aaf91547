// What goes wrong with a USBasp, each said with what to do about it, and a
// job that meets it failed: nothing found, permission, another program, the
// stock firmware, and the USBasp pulled out during a job.
#include "UsbaspFixture.h"

#include <ReadJob.h>
#include <WriteJob.h>

#include <fstream>
#include <functional>
#include <sstream>

namespace {

const char kRule[] = R"(SUBSYSTEM=="usb", ATTR{idVendor}=="16c0", ATTR{idProduct}=="05dc", MODE="0660", GROUP="plugdev")";

class UsbaspFaultsTest : public UsbaspFixture {};

} // namespace

TEST_F(UsbaspFaultsTest, EachFaultFailsTheJobAndSaysWhatToDo)
{
    using usbmodel::World;
    const std::string unplugged = "The USBasp at USB bus 1 device 5 went away during the job (unplugged?): plug it "
                                  "in again and run the job again; what was done is not known.";
    const struct {
        const char* name;
        std::function<void()> arrange;
        const char* form;
        bool write;
        std::vector<std::string> messages;
    } cases[] = {
        {"nothing on the bus", [] {}, "usbasp", false,
         {"No USBasp (USB ID 16C0:05DC) found: no USB devices. Plug it in, or check that USB can be reached from "
          "here."}},
        {"other devices only",
         [] {
             World().plug(0x1D6B, 0x0002, 1, 1);
             World().plug(0x16C0, 0x05DC, 1, 4, "obdev.at", "PowerSwitch");
         },
         "usbasp", false,
         {"No USBasp (USB ID 16C0:05DC) found: the bus holds 1D6B:0002 at 1:1, 16C0:05DC at 1:4 (\"obdev.at\" "
          "\"PowerSwitch\", not a USBasp). Plug it in."}},
        {"not at the place named", [this] { plug(Kind::S5x, Variant::S52); }, "usbasp:2:7", false,
         {"No USBasp (USB ID 16C0:05DC) found at USB bus 2 device 7: the bus holds 16C0:05DC at 1:5. Plug it in, "
          "or name the BUS:DEVICE that lsusb shows for it."}},
        {"permission denied", [this] { plug(Kind::S5x, Variant::S52).denied = true; }, "usbasp", false,
         {"The USBasp at USB bus 1 device 5 may not be opened by this user (permission denied). Give the plugdev "
          "group the USBasp with this udev rule, in /etc/udev/rules.d/60-vorlane-usbasp.rules (Vorlane installs it "
          "as lib/udev/rules.d/60-vorlane-usbasp.rules):\n  " +
          std::string(kRule) +
          "\nthen run \"sudo udevadm control --reload && sudo udevadm trigger\", join the group with \"sudo "
          "usermod -aG plugdev $USER\", log in again and plug the USBasp in again."}},
        {"held by another program", [this] { plug(Kind::S5x, Variant::S52).heldElsewhere = true; }, "usbasp",
         false,
         {"The USBasp at USB bus 1 device 5 is in use by another program: wait until its job is done, then try "
          "again."}},
        {"stock firmware", [this] { plug(Kind::Stock, Variant::S52); }, "usbasp", false,
         {"The USBasp answered, but the chip did not enter programming mode, and the USBasp's firmware does not say "
          "it drives the AT89S51/52: the stock USBasp firmware holds RST low, as AVRs want, and these chips need "
          "RST high. Flash the USBasp with a firmware that drives them (UsbAsp-flash_89S52, or Miles McCoo's "
          "usbasp 89s52); if it already has one, check power, the wiring and the crystal."}},
        {"unplugged during a read", [this] { plug(Kind::S5x, Variant::S52).unplugAfter = 20; }, "usbasp:1:5",
         false, {unplugged}},
        {"unplugged during a write", [this] { plug(Kind::S5x, Variant::S52).unplugAfter = 80; }, "usbasp", true,
         {"Error programming device", unplugged}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        restart();
        c.arrange();
        for (int a = 0; a < 0x2000; ++a)
            image.buffer[a] = static_cast<uint8_t>(a);
        image.deviceSize = 0x2000;
        settings.device = static_cast<uint32_t>(DeviceId::AT89S52);
        const bool done = c.write ? WriteJob(session(c.form), image, feedback, WriteJob::Mode::All).run(0, 0x1FFF, 0)
                                  : ReadJob(session(c.form), image, feedback).run(0, 0x1FFF);
        EXPECT_FALSE(done);
        std::vector<std::string> errors;
        for (const std::string& m : c.messages)
            errors.push_back("ERROR: " + m);
        EXPECT_EQ(messages(), errors);
    }

    // The rule the message gives is the one Vorlane ships.
    std::ifstream in(std::string(VORLANE_SOURCE_DIR) + "/contrib/udev/60-vorlane-usbasp.rules");
    std::stringstream rules;
    rules << in.rdbuf();
    EXPECT_NE(rules.str().find(std::string(kRule) + "\n"), std::string::npos) << rules.str();
}
