// What keeps a job from the GPIO lines, each said with what to do, and a
// job that meets it failed: no such chip, no permission, a line the chip
// lacks, lines a driver or another job holds, a line that cannot drive, and
// the chip gone during a job.
#include "GpioFixture.h"

#include <LinkClaim.h>
#include <ReadJob.h>
#include <WriteJob.h>

#include <functional>

namespace {

class GpioFaultsTest : public GpioFixture {};

} // namespace

TEST_F(GpioFaultsTest, EachFaultFailsTheJobAndSaysWhatToDo)
{
    using gpiomodel::Chip;
    const std::string form = "gpio:/dev/gpiochipN:rst=N,sck=N,mosi=N,miso=N";
    const std::string gone = "The GPIO chip /dev/gpiochip0 (pinctrl-bcm2711) went away during the job (No such device "
                             "(errno 19)): what was done is not known. Check the board, then run the job again.";
    const struct {
        const char* name;
        std::function<void(Chip&)> arrange;
        const char* form;
        bool write;
        std::vector<std::string> messages;
    } cases[] = {
        {"no such chip", [this](Chip&) { addChip(); }, "gpio:/dev/gpiochip2", false,
         {"No GPIO lines: there is no /dev/gpiochip2; this system has /dev/gpiochip0, /dev/gpiochip1. Name the one "
          "the cable is on (" + form + "); gpiodetect tells them apart."}},
        {"no GPIO chip at all", [](Chip& c) { c.gone = true; }, "gpio", false,
         {"No GPIO lines: there is no /dev/gpiochip0, and this system has no GPIO character device at all "
          "(/dev/gpiochip*): it takes a board with GPIO lines, such as a Raspberry Pi, and a kernel that offers "
          "them."}},
        {"permission denied", [](Chip& c) { c.denied = true; }, "gpio", false,
         {"No GPIO lines: /dev/gpiochip0 may not be opened by this user (permission denied). Join group gpio (sudo "
          "usermod -aG gpio $USER) and log in again; where there is no such group, give one access with a udev rule, "
          "in /etc/udev/rules.d/60-vorlane-gpio.rules:\n  SUBSYSTEM==\"gpio\", KERNEL==\"gpiochip*\", "
          "GROUP=\"gpio\", MODE=\"0660\"\nthen run \"sudo udevadm control --reload && sudo udevadm trigger\"."}},
        {"a line the chip lacks", [](Chip&) {}, "gpio:rst=17,sck=11,mosi=10,miso=58", false,
         {"No GPIO lines: /dev/gpiochip0 (pinctrl-bcm2711) has 58 lines, 0 to 57, and MISO is given line 58. Give "
          "each pin a line the chip has (gpioinfo lists them)."}},
        {"SPI on",
         [](Chip& c) {
             for (uint32_t line : {9, 10, 11}) {
                 c.lines[line].kernel = true;
                 c.lines[line].consumer = "spi0";
             }
         },
         "gpio", false,
         {"No GPIO lines: line 11 (SCK) of /dev/gpiochip0 (pinctrl-bcm2711) is in use by \"spi0\". The SPI driver "
          "holds these pins: turn SPI off (dtparam=spi=off in /boot/config.txt, or raspi-config > Interface Options "
          "> SPI) and reboot, or wire the cable to other lines."}},
        {"a line that cannot drive", [](Chip& c) { c.lines[10].inputOnly = true; }, "gpio", false,
         {"No GPIO lines: line 10 (MOSI) of /dev/gpiochip0 (pinctrl-bcm2711) cannot be an output (Input/output "
          "error (errno 5)). Wire MOSI to a line that can drive, and name it (" + form + ")."}},
        {"another Vorlane's job",
         [](Chip& c) {
             c.lines[17].request = -1;
             c.lines[17].consumer = "vorlane";
         },
         "gpio", false,
         {"The GPIO line 17 (RST) of /dev/gpiochip0 (pinctrl-bcm2711) is in use by another Vorlane's job: wait "
          "until it is done, then try again."}},
        {"unplugged during a read", [](Chip& c) { c.unplugAfter = 3000; }, "gpio", false, {gone}},
        {"unplugged while a write reads the chip first", [](Chip& c) { c.unplugAfter = 30000; }, "gpio", true, {gone}},
        {"unplugged during a write", [](Chip& c) { c.unplugAfter = 300000; }, "gpio", true,
         {"Error programming device", gone}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        restart();
        Chip& gpio = addChip();
        plug(gpio, DeviceId::AT89S52);
        c.arrange(gpio);
        for (int a = 0; a < 0x2000; ++a)
            image.buffer[a] = static_cast<uint8_t>(a);
        bool done = false;
        {
            // As a front end holds the link around a job.
            LinkClaim claim(session(c.form).link());
            done = c.write ? WriteJob(session(), image, feedback, WriteJob::Mode::All).run(0, 0x1FFF, 0)
                           : ReadJob(session(), image, feedback).run(0, 0x1FFF);
        }
        EXPECT_FALSE(done);
        std::vector<std::string> errors;
        for (const std::string& m : c.messages)
            errors.push_back("ERROR: " + m);
        EXPECT_EQ(messages(), errors);
        // No line is left held, even after an unplug.
        for (const auto& line : gpio.lines)
            EXPECT_TRUE(line.request <= 0);
    }
}
