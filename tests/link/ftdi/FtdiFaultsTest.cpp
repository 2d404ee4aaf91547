// What goes wrong with an FTDI cable, each said with what to do about it,
// and a job that meets it failed: nothing found, another serial, permission,
// the kernel's serial driver, another program, and the cable pulled out
// during a job.
#include "FtdiFixture.h"

#include <ReadJob.h>
#include <WriteJob.h>

#include <fstream>
#include <functional>
#include <sstream>

namespace {

const char kRules[] =
    R"(SUBSYSTEM=="usb", ATTR{idVendor}=="0403", ATTR{idProduct}=="6001", MODE="0660", GROUP="plugdev")"
    "\n"
    R"(SUBSYSTEM=="usb", ATTR{idVendor}=="0403", ATTR{idProduct}=="6014", MODE="0660", GROUP="plugdev")"
    "\n"
    R"(SUBSYSTEM=="usb", ATTR{idVendor}=="0403", ATTR{idProduct}=="6010", MODE="0660", GROUP="plugdev")";

class FtdiFaultsTest : public FtdiFixture {
protected:
    // An AT89S52 on an FT232H's MPSSE pins.
    ftdimodel::FtdiDevice& mpsse()
    {
        ftdimodel::FtdiDevice& device = plug(DeviceId::AT89S52, 0x6014);
        device.misoBit = 2;
        return device;
    }
};

} // namespace

TEST_F(FtdiFaultsTest, EachFaultFailsTheJobAndSaysWhatToDo)
{
    using ftdimodel::World;
    const std::string unplugged = "The FTDI cable with serial FT1 went away during the job (unplugged?): plug it in "
                                  "again and run the job again; what was done is not known.";
    const struct {
        const char* name;
        std::function<void()> arrange;
        const char* form;
        bool write;
        std::vector<std::string> messages;
    } cases[] = {
        {"nothing on the bus", [] {}, "ftdi", false,
         {"No FTDI cable (USB ID 0403:6001 FT232R, 0403:6014 FT232H or 0403:6010 FT2232H) found: no FTDI devices. "
          "Plug it in, or check that USB can be reached from here."}},
        {"other FTDI devices only",
         [this] {
             World().plug(0x6011, "Q4");
             plug(DeviceId::AT89S52, 0x6014);
         },
         "ftdi:A1", false,
         {"No FTDI cable (USB ID 0403:6001 FT232R, 0403:6014 FT232H or 0403:6010 FT2232H) found with serial A1: "
          "the FTDI devices here are FT232H (0403:6014) \"Single RS232-HS\" serial FT1, FT4232H (0403:6011) "
          "\"FT232R USB UART\" serial Q4 (no synchronous bit-bang here). Plug it in, or name the serial of one "
          "shown (ftdi:SERIAL)."}},
        {"permission denied", [this] { plug(DeviceId::AT89S52).denied = true; }, "ftdi", false,
         {"The FTDI cable may not be opened by this user (permission denied). Give the plugdev group the FTDI "
          "cables with these udev rules, in /etc/udev/rules.d/60-vorlane-ftdi.rules (Vorlane installs them as "
          "lib/udev/rules.d/60-vorlane-ftdi.rules):\n" +
          std::string(kRules) +
          "\nthen run \"sudo udevadm control --reload && sudo udevadm trigger\", join the group with \"sudo "
          "usermod -aG plugdev $USER\", log in again and plug the cable in again."}},
        {"the serial driver holds it", [this] { plug(DeviceId::AT89S52).driverHeld = true; }, "ftdi:FT1", false,
         {"The kernel's serial driver (ftdi_sio) holds the FTDI cable with serial FT1 as a /dev/ttyUSB port, and "
          "this user may not detach it: close any program using that port, or unload the driver with \"sudo rmmod "
          "ftdi_sio\", then run the job again."}},
        {"held by another program", [this] { plug(DeviceId::AT89S52).busy = true; }, "ftdi", false,
         {"The FTDI cable is in use by another program: wait until its job is done, then try again."}},
        {"unplugged during a read", [this] { plug(DeviceId::AT89S52).unplugAfter = 60; }, "ftdi", false,
         {unplugged}},
        {"unplugged during a write", [this] { plug(DeviceId::AT89S52).unplugAfter = 1500; }, "ftdi", true,
         {"Error programming device", unplugged}},
        {"unplugged during a read in MPSSE", [this] { mpsse().unplugAfter = 20; }, "ftdi,miso=RTS", false,
         {unplugged}},
        {"unplugged during a write in MPSSE", [this] { mpsse().unplugAfter = 500; }, "ftdi,miso=RTS", true,
         {"Error programming device", unplugged}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        restart();
        c.arrange();
        for (int a = 0; a < 0x2000; ++a)
            image.buffer[a] = static_cast<uint8_t>(a);
        select(DeviceId::AT89S52);
        const bool done = c.write ? WriteJob(session(c.form), image, feedback, WriteJob::Mode::All).run(0, 0x1FFF, 0)
                                  : ReadJob(session(c.form), image, feedback).run(0, 0x1FFF);
        EXPECT_FALSE(done);
        std::vector<std::string> errors;
        for (const std::string& m : c.messages)
            errors.push_back("ERROR: " + m);
        EXPECT_EQ(messages(), errors);
    }

    // The rules the message gives are the ones Vorlane ships.
    std::ifstream in(std::string(VORLANE_SOURCE_DIR) + "/contrib/udev/60-vorlane-ftdi.rules");
    std::stringstream rules;
    rules << in.rdbuf();
    EXPECT_NE(rules.str().find(std::string(kRules) + "\n"), std::string::npos) << rules.str();
}
