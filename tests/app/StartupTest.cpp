#include "AppFixture.h"

#include <QAction>
#include <QFile>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTextStream>

using Pins = std::vector<int>;

namespace {

const QString kNotice = QString::fromUtf8(
    "Si esta es la primera vez que ejecuta el programa, es aconsejable que cierre el programa y vuelva a "
    "abrirlo antes de grabar cualquier micro ISP para asegurar que la configuración está correctamente "
    "actualizada, muchas gracias\nIf this is the first time you open the application, is necessary that "
    "you close the application and open it again before you write any ISP IC, to ensure that "
    "configuration is all right, thanks!");

using StartupTest = AppFixture;

} // namespace

TEST_F(StartupTest, EmptyStoreGivesDefaultsChecksAndOneNotice)
{
    messages.onMessage = [](const MessageRequest&) {
        // Dismissing the notice stores the flag at once, before anything else.
        EXPECT_FALSE(stored("First Time 2").isValid());
    };
    ASSERT_TRUE(start());
    ASSERT_EQ(messages.requests.size(), 1u);
    EXPECT_EQ(messages.requests[0].text, kNotice);
    EXPECT_EQ(kNotice.size(), 419);
    EXPECT_EQ(messages.requests[0].caption, QString());
    EXPECT_EQ(messages.requests[0].icon, MessageIcon::Error);
    EXPECT_EQ(messages.requests[0].owner, nullptr);
    EXPECT_EQ(stored("First Time 2").toInt(), 0);

    ProgrammerSettings expected = DefaultProgrammerSettings();
    expected.firstRun = 1; // as loaded
    EXPECT_EQ(programmerSettings(), expected);
    EXPECT_TRUE(checked(ID_LPT_378));
    EXPECT_FALSE(checked(ID_LPT_3BC));
    EXPECT_FALSE(checked(ID_LPT_278));
    EXPECT_TRUE(checked(ID_OPTION_READ_AFTER_WRITE));
    EXPECT_TRUE(checked(ID_OPTION_READ_BEFORE_WRITE));
    EXPECT_TRUE(checked(ID_OPTION_RST_INVERTED));
    EXPECT_TRUE(checked(ID_DEVICE_AT89S53));
    EXPECT_EQ(checkedPins(ID_RST_PIN_D0), Pins{0});
    EXPECT_EQ(checkedPins(ID_CLK_PIN_D0), Pins{1});
    EXPECT_EQ(checkedPins(ID_DTA_PIN_D0), Pins{2});
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("Sintit - Vorlane"));
    exitApp();

    ASSERT_TRUE(start());
    EXPECT_EQ(messages.requests.size(), 1u) << "the notice is shown once";
    exitApp();
    EXPECT_EQ(stored("ReadAfterWrite").toInt(), 1);
    EXPECT_EQ(stored("Written Time").toInt(), 2600);
    EXPECT_EQ(stored("ResetActive").toInt(), 0);
}

TEST_F(StartupTest, StoredValuesAreNarrowedAndCorrected)
{
    notFirstRun();
    put("LPT", 0x2F8);
    put("ReadAfterWrite", 5);
    put("ReadBeforeWrite", 0);
    put("Clock Pin", 9);
    put("Data Pin", 0x103); // keeps the low 8 bits: D3
    put("Reset Time", 4000000000LL);
    ASSERT_TRUE(start());
    const ProgrammerSettings& s = programmerSettings();
    EXPECT_EQ(s.lptBase, 888);
    EXPECT_TRUE(checked(ID_LPT_378));
    EXPECT_EQ(s.readAfterWrite, 1);
    EXPECT_EQ(s.readBeforeWrite, 0);
    EXPECT_FALSE(checked(ID_OPTION_READ_BEFORE_WRITE));
    EXPECT_EQ(s.clockPin, 9);
    EXPECT_EQ(checkedPins(ID_CLK_PIN_D0), Pins{});
    EXPECT_EQ(s.dataPin, 3);
    EXPECT_EQ(checkedPins(ID_DTA_PIN_D0), Pins{3});
    EXPECT_EQ(s.resetTimeUs, 4000000000u);
    exitApp();
    EXPECT_EQ(stored("LPT").toInt(), 888);
    EXPECT_EQ(stored("ReadAfterWrite").toInt(), 1);
    EXPECT_EQ(stored("Clock Pin").toInt(), 9);
    EXPECT_EQ(stored("Reset Time").toLongLong(), 4000000000LL);
}

TEST_F(StartupTest, UnreadableOrOversizedValueGivesTheDefault)
{
    notFirstRun();
    put("Up Time", 0);
    store().setValue(QStringLiteral("Settings/Down Time"), QStringLiteral("fast"));
    // Wrapped to 32 bits this would be about 20 minutes per byte.
    put("Written Time", 99999999999LL);
    put("Reset Time", -1);
    ASSERT_TRUE(start());
    EXPECT_EQ(programmerSettings().upTimeUs, 0u);
    EXPECT_EQ(programmerSettings().downTimeUs, 2u);
    EXPECT_EQ(programmerSettings().writtenTimeUs, 2600u);
    EXPECT_EQ(programmerSettings().resetTimeUs, 50000u);
}

TEST_F(StartupTest, PortChoicesFromTheStore)
{
    notFirstRun();
    put("LPT", 0x3BC);
    ASSERT_TRUE(start());
    EXPECT_TRUE(checked(ID_LPT_3BC));
    EXPECT_FALSE(checked(ID_LPT_378));
    frame().runCommand(ID_LPT_278);
    EXPECT_EQ(programmerSettings().lptBase, 0x278);
    EXPECT_TRUE(checked(ID_LPT_278));
    EXPECT_FALSE(checked(ID_LPT_3BC));
}

TEST_F(StartupTest, RstInvertedFollowsTheIdleByte)
{
    notFirstRun();
    put("ResetActive", 1);
    ASSERT_TRUE(start());
    EXPECT_EQ(programmerSettings().idleByte, 1);
    EXPECT_FALSE(checked(ID_OPTION_RST_INVERTED));
    frame().runCommand(ID_OPTION_RST_INVERTED);
    EXPECT_EQ(programmerSettings().idleByte, 0);
    EXPECT_TRUE(checked(ID_OPTION_RST_INVERTED));
    frame().runCommand(ID_OPTION_RST_INVERTED);
    EXPECT_EQ(programmerSettings().idleByte, 1);
    EXPECT_FALSE(checked(ID_OPTION_RST_INVERTED));

    frame().runCommand(ID_RST_PIN_D0 + 3);
    EXPECT_EQ(programmerSettings().idleByte, 1) << "moving the reset pin keeps the idle byte";
    frame().runCommand(ID_OPTION_RST_INVERTED);
    EXPECT_EQ(programmerSettings().idleByte, 0x09);
    EXPECT_FALSE(checked(ID_OPTION_RST_INVERTED));
}

TEST_F(StartupTest, PinCommandsCheckOneItemPerGroup)
{
    notFirstRun();
    ASSERT_TRUE(start());
    frame().runCommand(ID_RST_PIN_D0 + 3);
    EXPECT_EQ(programmerSettings().resetPin, 3);
    EXPECT_EQ(programmerSettings().idleByte, 0);
    EXPECT_TRUE(checked(ID_OPTION_RST_INVERTED));
    EXPECT_EQ(checkedPins(ID_RST_PIN_D0), Pins{3});
    frame().runCommand(ID_RST_PIN_D0 + 3); // choosing the checked item again keeps it checked
    EXPECT_EQ(checkedPins(ID_RST_PIN_D0), Pins{3});
    frame().runCommand(ID_CLK_PIN_D0 + 7);
    frame().runCommand(ID_DTA_PIN_D0 + 7);
    EXPECT_EQ(programmerSettings().clockPin, 7);
    EXPECT_EQ(programmerSettings().dataPin, 7);
    EXPECT_EQ(checkedPins(ID_CLK_PIN_D0), Pins{7});
    EXPECT_EQ(checkedPins(ID_DTA_PIN_D0), Pins{7});
    EXPECT_EQ(checkedPins(ID_RST_PIN_D0), Pins{3});
    frame().runCommand(ID_OPTION_READ_AFTER_WRITE);
    EXPECT_EQ(programmerSettings().readAfterWrite, 0);
    EXPECT_FALSE(checked(ID_OPTION_READ_AFTER_WRITE));
    exitApp();
    EXPECT_EQ(stored("Reset Pin").toInt(), 3);
    EXPECT_EQ(stored("Clock Pin").toInt(), 7);
    EXPECT_EQ(stored("ReadAfterWrite").toInt(), 0);
}

TEST_F(StartupTest, StatusBarNamesThePort)
{
    notFirstRun();
    ASSERT_TRUE(start());
    EXPECT_EQ(frame().statusBar()->currentMessage(), QStringLiteral("Port: simulated AT89S53 at 0x378"));
    exitApp();
    setenv("VORLANE_PORT", "ppdev:/nonexistent/parport3", 1);
    resetProcess();
    ASSERT_TRUE(start());
    EXPECT_TRUE(frame().statusBar()->currentMessage().startsWith(
        QStringLiteral("No parallel port at 0x378: /nonexistent/parport3: No such file or directory")))
        << frame().statusBar()->currentMessage().toStdString();
}
