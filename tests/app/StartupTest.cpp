#include "AppFixture.h"

#include <CVorlaneDoc.h>

#include <ElidedLabel.h>
#include <JobSummary.h>
#include <SettingsStore.h>

#include <QAction>
#include <QFile>
#include <QLayout>
#include <QRegularExpression>
#include <QScreen>
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
    EXPECT_EQ(s.clockPin, 1) << "a pin that names no line is the default";
    EXPECT_EQ(checkedPins(ID_CLK_PIN_D0), Pins{1});
    EXPECT_EQ(s.dataPin, 3);
    EXPECT_EQ(checkedPins(ID_DTA_PIN_D0), Pins{3});
    EXPECT_EQ(s.resetTimeUs, 4000000000u);
    exitApp();
    EXPECT_EQ(stored("LPT").toInt(), 888);
    EXPECT_EQ(stored("ReadAfterWrite").toInt(), 1);
    EXPECT_EQ(stored("Clock Pin").toInt(), 1);
    EXPECT_EQ(stored("Reset Time").toLongLong(), 4000000000LL);

    // Two signals on one line: all three pins are the cable as delivered.
    resetProcess();
    put("Reset Pin", 3);
    ASSERT_TRUE(start());
    EXPECT_EQ((Pins{programmerSettings().resetPin, programmerSettings().clockPin, programmerSettings().dataPin}),
              (Pins{0, 1, 2}));
    EXPECT_EQ(checkedPins(ID_DTA_PIN_D0), Pins{2});
}

TEST_F(StartupTest, UnreadableOrOversizedValueGivesTheDefault)
{
    notFirstRun();
    put("Up Time", 0);
    store().setValue(QStringLiteral("Settings/Down Time"), QStringLiteral("fast"));
    // Wrapped to 32 bits this would be about 20 minutes per byte.
    put("Written Time", 99999999999LL);
    put("Reset Time", -1);
    put("Crystal", 40'000'000); // faster than any board the chip allows
    ASSERT_TRUE(start());
    EXPECT_EQ(programmerSettings().upTimeUs, 0u);
    EXPECT_EQ(programmerSettings().downTimeUs, 2u);
    EXPECT_EQ(programmerSettings().writtenTimeUs, 2600u);
    EXPECT_EQ(programmerSettings().resetTimeUs, 50000u);
    EXPECT_EQ(programmerSettings().crystalHz, 3'000'000u);
}

TEST_F(StartupTest, TheStoredDeviceIsSelected)
{
    const struct {
        qlonglong stored;
        int command;
        int32_t size;
    } cases[] = {{51, ID_DEVICE_AT89S51, 0x1000}, {52, ID_DEVICE_AT89S52, 0x2000}, {99, ID_DEVICE_AT89S53, 0x3000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        notFirstRun();
        put("Device", c.stored);
        ASSERT_TRUE(start());
        EXPECT_TRUE(checked(c.command));
        EXPECT_EQ(app->document()->image().deviceSize, c.size);
        exitApp();
        resetProcess();
    }
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

TEST_F(StartupTest, TheProgrammerIsStoredAndTheEnvironmentOverridesIt)
{
    notFirstRun();
    store().setValue(QStringLiteral("Settings/Programmer"), QStringLiteral("arduino:/nonexistent/tty,baud=115200"));
    const struct {
        const char* environment; // VORLANE_PORT
        int checked;
        QString pane;
    } starts[] = {
        {"sim", ID_PROGRAMMER_CABLE, QStringLiteral("Port: simulated AT89S53 at 0x378")},
        {"", ID_PROGRAMMER_ARDUINO, QStringLiteral("Arduino as ISP on /nonexistent/tty at 115200 baud")},
    };
    for (const auto& s : starts) {
        setenv("VORLANE_PORT", s.environment, 1);
        resetProcess();
        ASSERT_TRUE(start());
        for (int item : {ID_PROGRAMMER_CABLE, ID_PROGRAMMER_ARDUINO, ID_PROGRAMMER_USBASP})
            EXPECT_EQ(checked(item), item == s.checked) << s.environment << item;
        EXPECT_EQ(frame().portPane()->text(), s.pane);
        exitApp();
    }
    // The menu's choice is stored at once and used from the next job on.
    resetProcess();
    ASSERT_TRUE(start());
    frame().runCommand(ID_PROGRAMMER_USBASP);
    EXPECT_EQ(stored("Programmer").toString(), QStringLiteral("usbasp"));
    EXPECT_TRUE(checked(ID_PROGRAMMER_USBASP));
    EXPECT_FALSE(checked(ID_PROGRAMMER_ARDUINO));
    EXPECT_TRUE(frame().portPane()->text().startsWith(QStringLiteral("No USBasp (USB ID 16C0:05DC) found")));
    frame().runCommand(ID_TOOLS_ERASE);
    EXPECT_TRUE(messages.texts().last().startsWith(QStringLiteral("No USBasp"))) << messages.texts().last().toStdString();
    frame().runCommand(ID_PROGRAMMER_CABLE);
    EXPECT_EQ(stored("Programmer").toString(), QString());
    EXPECT_TRUE(checked(ID_PROGRAMMER_CABLE));
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

TEST_F(StartupTest, StatusBarNamesThePortForTheChosenAddress)
{
    notFirstRun();
    ASSERT_TRUE(start());
    EXPECT_EQ(frame().portPane()->text(), QStringLiteral("Port: simulated AT89S53 at 0x378"));
    EXPECT_EQ(frame().portPane()->toolTip(), frame().portPane()->text());
    frame().runCommand(ID_LPT_3BC);
    EXPECT_EQ(frame().portPane()->text(), QStringLiteral("Port: simulated AT89S53 at 0x3BC"));
    exitApp();

    setenv("VORLANE_PORT", "ppdev:/nonexistent/parport3", 1);
    resetProcess();
    ASSERT_TRUE(start());
    const QString at3BC = frame().portPane()->text();
    EXPECT_TRUE(at3BC.startsWith(QStringLiteral("No parallel port at 0x3BC: /nonexistent/parport3: "
                                                 "No such file or directory")))
        << at3BC.toStdString();
    frame().runCommand(ID_LPT_278);
    EXPECT_EQ(frame().portPane()->text(), QString(at3BC).replace(QStringLiteral("0x3BC"), QStringLiteral("0x278")));
    EXPECT_EQ(frame().portPane()->toolTip(), frame().portPane()->text());
}

TEST_F(StartupTest, DefaultSizeShowsTheWholeStatusLine)
{
    // The whole line shows, or the window is as wide as the screen lets it
    // be; either way every prompt, and what a job leaves, fits the message
    // pane, and what does not fit is cut from the port line.
    auto lineShows = [this] {
        frame().statusBar()->layout()->activate();
        const int frameEdges = frame().frameGeometry().width() - frame().width();
        const int room = frame().screen()->availableGeometry().width() - frameEdges;
        EXPECT_TRUE(!frame().portPane()->elided() || frame().width() == room) << frame().width() << " of " << room;
        const QFontMetrics metrics = frame().statusBar()->fontMetrics();
        QStringList messages = WidestJobSummaries();
        for (int command : {ID_EDIT_COPY, ID_TOOLS_WRITE_CHANGES, ID_OPTION_RST_INVERTED})
            messages << frame().action(command)->statusTip();
        for (const QString& message : messages)
            EXPECT_LE(metrics.horizontalAdvance(message), frame().messagePane()->width()) << message.toStdString();
    };
    notFirstRun();
    ASSERT_TRUE(start());
    lineShows();
    exitApp();
    store().remove(QStringLiteral("Window"));

    // The longest kind of port line: a reason and its hint.
    setenv("VORLANE_PORT", "ppdev:/nonexistent/parport3", 1);
    resetProcess();
    ASSERT_TRUE(start());
    EXPECT_GT(frame().width(), 720) << "wider than the old default";
    lineShows();
    EXPECT_EQ(frame().portPane()->toolTip(), frame().portPane()->text());

    // Narrower than the line, the window still shrinks: the pane cuts it.
    frame().resize(500, 400);
    EXPECT_EQ(frame().width(), 500);
    EXPECT_TRUE(frame().portPane()->elided());
}

TEST_F(StartupTest, TheWindowComesBackWhereItWasLeft)
{
    notFirstRun();
    ASSERT_TRUE(start());
    frame().setGeometry(25, 35, 760, 540);
    const QRect placed = frame().geometry();
    exitApp();
    EXPECT_FALSE(store().value(QStringLiteral("Window/Geometry")).toByteArray().isEmpty());
    ASSERT_TRUE(start());
    EXPECT_EQ(frame().geometry(), placed);
    exitApp();

    // A command-line run shows the window only for a moment: the place the
    // user left stays stored.
    const QByteArray stored = store().value(QStringLiteral("Window/Geometry")).toByteArray();
    EXPECT_FALSE(start({QStringLiteral("-r")}));
    frame().setGeometry(5, 5, 600, 450);
    exitApp();
    EXPECT_EQ(store().value(QStringLiteral("Window/Geometry")).toByteArray(), stored);
}

// Two windows open at once: each stores only what it changed, so neither
// undoes the other's change; a store that cannot be written is told when the
// window ends, not lost without a word.
TEST_F(StartupTest, SettingsChangedInTheWindowSurvive)
{
    const QString kept = QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("x")).fileName();
    const QString home = kept.left(kept.indexOf(QStringLiteral("/x.conf")));
    const struct {
        const char* name;
        QString folder; // where the store lives
        QStringList told;
    } cases[] = {
        {"a writable store", home, {}},
        {"a folder that cannot be made", QStringLiteral("/proc/vorlane-none"),
         {QStringLiteral("The settings were not saved: cannot write /proc/vorlane-none/Castavel/Vorlane/Vorlane.conf "
                         "(is it, or its folder, read-only?). What was changed in this window is lost.")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        store().clear();
        startInteractive();
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, c.folder);
        // The other window, closed after it changed the data pin.
        put("Data Pin", 6);
        frame().runCommand(ID_CLK_PIN_D0 + 5);
        exitApp();
        EXPECT_EQ(messages.texts(), c.told);
        if (c.told.isEmpty()) {
            EXPECT_EQ(stored("Clock Pin").toInt(), 5);
            EXPECT_EQ(stored("Data Pin").toInt(), 6) << "the other window's change stays";
        }
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home);
    }
}

TEST_F(StartupTest, EveryFieldIsStoredUnderItsOwnName)
{
    // No two fields share a value, so two names swapped on either way show.
    ProgrammerSettings s;
    s.lptBase = 0x3BC;
    s.readAfterWrite = 0;
    s.readBeforeWrite = 1;
    s.idleByte = 0x5A;
    s.clockPin = 5;
    s.dataPin = 6;
    s.resetPin = 3;
    s.resetTimeUs = 41000;
    s.upTimeUs = 11;
    s.downTimeUs = 13;
    s.writtenTimeUs = 3100;
    s.sckState = 17;
    s.dinState = 19;
    s.doutState = 23;
    s.pollWriteEnd = 31;
    s.device = 52;
    s.crystalHz = 11'059'200;
    s.firstRun = 29;
    SettingsStore::Save(s);
    const struct {
        const char* name;
        qlonglong value;
    } names[] = {{"LPT", 0x3BC},       {"ReadAfterWrite", 0}, {"ReadBeforeWrite", 1}, {"ResetActive", 0x5A},
                 {"Clock Pin", 5},     {"Data Pin", 6},       {"Reset Pin", 3},       {"Reset Time", 41000},
                 {"Up Time", 11},      {"Down Time", 13},     {"Written Time", 3100}, {"SCK state", 17},
                 {"DIN state", 19},    {"DOUT state", 23},    {"Poll Write End", 31}, {"Device", 52},
                 {"Crystal", 11059200}};
    for (const auto& n : names)
        EXPECT_EQ(stored(n.name).toLongLong(), n.value) << n.name;
    EXPECT_FALSE(stored("First Time 2").isValid()) << "written only when the notice is dismissed";
    EXPECT_EQ(store().childGroups(), QStringList{"Settings"});

    put("First Time 2", 29);
    ProgrammerSettings back;
    SettingsStore::Load(back);
    EXPECT_EQ(back, s);
}

TEST_F(StartupTest, TraceLinesReachTheFileAsTheyHappen)
{
    QTemporaryDir dir;
    const QString trace = dir.filePath(QStringLiteral("trace.txt"));
    traceTo(trace);
    notFirstRun();
    ASSERT_TRUE(start());
    // The program keeps running: nothing is closed or flushed from outside.
    auto lines = [&trace] {
        QFile f(trace);
        return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()).split(QLatin1Char('\n'))
                                           : QStringList{QStringLiteral("<no file>")};
    };
    frame().runCommand(ID_TOOLS_RESET);
    QStringList written = lines();
    ASSERT_EQ(written.size(), 8) << written.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(written.last(), QString()) << "every line ends";
    const QRegularExpression format(QStringLiteral("^\\d+ W ([0-9A-F]{2})$"));
    QStringList bytes;
    for (const QString& line : written.mid(0, 7)) {
        const auto m = format.match(line);
        EXPECT_TRUE(m.hasMatch()) << line.toStdString();
        bytes << m.captured(1);
    }
    EXPECT_EQ(bytes.join(QLatin1Char(' ')), QStringLiteral("00 01 00 00 04 07 FF"));

    // A job that reads: its last line, the release, is in the file too.
    frame().runCommand(ID_TOOLS_ERASE);
    EXPECT_EQ(messages.texts().last(), QStringLiteral("Memory erased"));
    written = lines();
    const QRegularExpression read(QStringLiteral("^\\d+ R [0-9A-F]{2}$"));
    EXPECT_GE(written.filter(read).size(), 8 * 12288) << "eight bits of every byte read back";
    EXPECT_EQ(written.filter(format).size() + written.filter(read).size(), written.size() - 1);
    EXPECT_TRUE(written[written.size() - 2].endsWith(QStringLiteral(" W FF")));
}

TEST_F(StartupTest, AnUnwritableTraceIsTold)
{
    QTemporaryDir dir;
    const QString trace = dir.filePath(QStringLiteral("missing/trace.txt"));
    traceTo(trace);
    notFirstRun();
    ASSERT_TRUE(start());
    EXPECT_EQ(frame().portPane()->text(),
              QStringLiteral("Port: simulated AT89S53 at 0x378 (VORLANE_TRACE: cannot append to %1: "
                             "No such file or directory)").arg(trace));
}
