#include "AppFixture.h"

#include <ArduinoPortDlg.h>
#include <FtdiCableDlg.h>
#include <GpioLinesDlg.h>
#include <COptionsDlg.h>

#include <QComboBox>
#include <QLabel>

#include <QCheckBox>
#include <QLineEdit>
#include <QSpinBox>

#include <functional>
#include <memory>

namespace {

class OptionsDialogTest : public ::testing::Test {
protected:
    void SetUp() override { programmerSettings() = DefaultProgrammerSettings(); }
    void TearDown() override { ResetWindowSessionForTesting(); }
    MessageRecorder messages;
};

} // namespace

TEST_F(OptionsDialogTest, OpensWithTheFields)
{
    programmerSettings().sckState = 0;
    COptionsDlg dlg(programmerSettings());
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Options"));
    EXPECT_EQ(dlg.timingEdit(0)->text(), QStringLiteral("50000"));
    EXPECT_EQ(dlg.timingEdit(1)->text(), QStringLiteral("2"));
    EXPECT_EQ(dlg.timingEdit(3)->text(), QStringLiteral("2600"));
    EXPECT_FALSE(dlg.sckBox()->isChecked());
    EXPECT_TRUE(dlg.dataBox()->isChecked());
    EXPECT_TRUE(dlg.doutBox()->isChecked());
    EXPECT_TRUE(dlg.doutBox()->isHidden());
    EXPECT_FALSE(dlg.pollBox()->isChecked());
    EXPECT_FALSE(dlg.pollBox()->isHidden());
    EXPECT_EQ(dlg.pollBox()->text(), QStringLiteral("Poll for the end of each byte write (Data Polling)"));
}

TEST_F(OptionsDialogTest, FieldsBeforeABadOneAreStoredAndTheWindowStays)
{
    COptionsDlg dlg(programmerSettings());
    dlg.show();
    dlg.timingEdit(0)->setText(QStringLiteral("70000"));
    dlg.timingEdit(1)->setText(QStringLiteral("abc"));
    dlg.timingEdit(2)->setText(QStringLiteral("9"));
    dlg.accept();
    ASSERT_EQ(messages.requests.size(), 1u);
    EXPECT_EQ(messages.requests[0].text, QStringLiteral("Escriba un entero positivo."));
    EXPECT_EQ(programmerSettings().resetTimeUs, 70000u) << "stored before the bad field";
    EXPECT_EQ(programmerSettings().upTimeUs, 2u);
    EXPECT_EQ(programmerSettings().downTimeUs, 2u) << "not reached";
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    dlg.reject();
    EXPECT_EQ(programmerSettings().resetTimeUs, 70000u) << "Cancel does not take it back";
}

TEST_F(OptionsDialogTest, AnyUnsignedValueAndTheHiddenStateSurvive)
{
    programmerSettings().doutState = 0;
    for (int run = 0; run < 3; ++run) {
        COptionsDlg dlg(programmerSettings());
        dlg.timingEdit(0)->setText(QStringLiteral("0"));
        dlg.timingEdit(1)->setText(QStringLiteral("4294967295"));
        dlg.timingEdit(3)->setText(QStringLiteral(" 12 "));
        dlg.accept();
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
    }
    EXPECT_TRUE(messages.requests.empty());
    EXPECT_EQ(programmerSettings().resetTimeUs, 0u);
    EXPECT_EQ(programmerSettings().upTimeUs, 4294967295u);
    EXPECT_EQ(programmerSettings().writtenTimeUs, 12u);
    EXPECT_EQ(programmerSettings().doutState, 0u);

    COptionsDlg tooBig(programmerSettings());
    tooBig.timingEdit(2)->setText(QStringLiteral("4294967296"));
    tooBig.accept();
    EXPECT_EQ(messages.requests.size(), 1u);
    COptionsDlg negative(programmerSettings());
    negative.timingEdit(2)->setText(QStringLiteral("-1"));
    negative.accept();
    EXPECT_EQ(messages.requests.size(), 2u);
    EXPECT_EQ(programmerSettings().downTimeUs, 2u);
}

TEST_F(OptionsDialogTest, DataPollingBoxCarriesItsFieldInAndOut)
{
    // value stored -> box shown -> box clicked -> value after OK
    struct Case {
        uint32_t before;
        bool shown;
        uint32_t afterToggle;
    };
    for (const Case& c : {Case{0, false, 1}, Case{1, true, 0}, Case{7, true, 0}}) {
        programmerSettings().pollWriteEnd = c.before;
        COptionsDlg cancelled(programmerSettings());
        cancelled.pollBox()->click();
        cancelled.reject();
        EXPECT_EQ(programmerSettings().pollWriteEnd, c.before) << "Cancel stores nothing";
        COptionsDlg dlg(programmerSettings());
        EXPECT_EQ(dlg.pollBox()->isChecked(), c.shown) << c.before;
        dlg.pollBox()->click();
        dlg.accept();
        EXPECT_EQ(programmerSettings().pollWriteEnd, c.afterToggle) << c.before;
        EXPECT_EQ(programmerSettings().sckState, 1u) << "the other boxes keep theirs";
    }
}

TEST_F(OptionsDialogTest, TheCrystalIsShownAndTakenInMegahertz)
{
    programmerSettings().crystalHz = 11'059'200;
    EXPECT_EQ(COptionsDlg(programmerSettings()).crystalEdit()->text(), QStringLiteral("11.0592"));
    // typed -> Hz stored; 0: refused with a message, the value before stays
    const std::pair<const char*, uint32_t> cases[] = {{" 24.576 ", 24'576'000}, {"2.999999", 0}, {"12,5", 0}};
    for (const auto& [typed, hz] : cases) {
        programmerSettings().crystalHz = 7;
        COptionsDlg dlg(programmerSettings());
        dlg.crystalEdit()->setText(QLatin1String(typed));
        EXPECT_EQ(dlg.DoDataExchange(true), hz != 0) << typed;
        EXPECT_EQ(programmerSettings().crystalHz, hz ? hz : 7u) << typed;
    }
    EXPECT_EQ(messages.requests.size(), 2u);
    EXPECT_EQ(messages.requests.back().text, QStringLiteral("Escriba los MHz del cristal, de 3 a 33."));
}

namespace {
using PollWriteEndStoreTest = AppFixture;
}

TEST_F(PollWriteEndStoreTest, LoadedAndSavedAsPollWriteEnd)
{
    notFirstRun();
    ASSERT_TRUE(start());
    EXPECT_EQ(programmerSettings().pollWriteEnd, 0u) << "absent: off";
    programmerSettings().pollWriteEnd = 1;
    exitApp();
    EXPECT_EQ(stored("Poll Write End").toInt(), 1);

    resetProcess();
    put("Poll Write End", 0);
    ASSERT_TRUE(start());
    EXPECT_EQ(programmerSettings().pollWriteEnd, 0u);
    exitApp();
    EXPECT_EQ(stored("Poll Write End").toInt(), 0);
}

TEST(ArduinoPortDlgTest, GivesThePortFormOrSaysWhatIsWrong)
{
    const struct {
        const char* port;
        const char* baud;
        std::string form; // empty: refused
        QString problem;
    } cases[] = {
        {"/dev/ttyACM0", "19200", "arduino:/dev/ttyACM0", {}},
        {" /dev/ttyUSB1 ", "115200", "arduino:/dev/ttyUSB1,baud=115200", {}},
        {"/dev/ttyACM0", "12", "",
         QStringLiteral("arduino:/dev/ttyACM0,baud=12 does not give baud=N as a rate from 300 to 4000000 "
                        "(e.g. baud=115200)")},
        {"", "19200", "", QStringLiteral("arduino: names no serial port: arduino:/dev/ttyACM0, for example")},
    };
    for (const auto& c : cases) {
        ArduinoPortDlg dialog("arduino:/dev/ttyS7,baud=57600");
        EXPECT_EQ(dialog.portBox()->currentText(), QStringLiteral("/dev/ttyS7")) << "the port in use first";
        EXPECT_EQ(dialog.baudBox()->currentText(), QStringLiteral("57600"));
        dialog.portBox()->setEditText(QString::fromLatin1(c.port));
        dialog.baudBox()->setEditText(QString::fromLatin1(c.baud));
        dialog.accept();
        EXPECT_EQ(dialog.result(), c.form.empty() ? QDialog::Rejected : QDialog::Accepted) << c.port;
        EXPECT_EQ(dialog.form(), c.form);
        EXPECT_EQ(dialog.problemLabel()->text(), c.problem);
    }
}

TEST(ProgrammerDlgTest, GpioAndFtdiGiveTheirFormsFromWhatIsInUse)
{
    const struct {
        const char* current;
        std::function<void(GpioLinesDlg&)> gpio;
        std::function<void(FtdiCableDlg&)> ftdi;
        std::string form; // empty: refused
        QString problem;
    } cases[] = {
        {"gpio:/dev/gpiochip4:rst=25,sck=21,mosi=20,miso=19,rst-active-low", [](GpioLinesDlg&) {}, {},
         "gpio:/dev/gpiochip4:rst=25,sck=21,mosi=20,miso=19,rst-active-low", {}},
        {"usbasp", [](GpioLinesDlg& d) { d.activeLowBox()->setChecked(true); }, {},
         "gpio:/dev/gpiochip0:rst=17,sck=11,mosi=10,miso=9,rst-active-low", {}},
        {"gpio", [](GpioLinesDlg& d) { d.lineBox(2)->setValue(11); }, {}, "",
         QStringLiteral("gpio:/dev/gpiochip0:rst=17,sck=11,mosi=11,miso=9 gives one GPIO line to two pins: rst, "
                        "sck, mosi and miso need a line each")},
        {"ftdi:A9x,rst=RTS", {}, [](FtdiCableDlg&) {}, "ftdi:A9x,rst=RTS,sck=TXD,mosi=RXD,miso=CTS", {}},
        {"gpio", {}, [](FtdiCableDlg& d) { d.pinBox(3)->setCurrentIndex(0); }, "",
         QStringLiteral("ftdi,rst=DTR,sck=TXD,mosi=RXD,miso=TXD gives one FTDI pin to two of the target's: rst, "
                        "sck, mosi and miso need a pin each")},
    };
    for (const auto& c : cases) {
        std::unique_ptr<ProgrammerDlg> dialog;
        if (c.gpio) {
            auto gpio = std::make_unique<GpioLinesDlg>(c.current);
            c.gpio(*gpio);
            dialog = std::move(gpio);
        } else {
            auto ftdi = std::make_unique<FtdiCableDlg>(c.current);
            c.ftdi(*ftdi);
            dialog = std::move(ftdi);
        }
        dialog->accept();
        EXPECT_EQ(dialog->result(), c.form.empty() ? QDialog::Rejected : QDialog::Accepted) << c.current;
        EXPECT_EQ(dialog->form(), c.form);
        EXPECT_EQ(dialog->problemLabel()->text(), c.problem);
    }
}
