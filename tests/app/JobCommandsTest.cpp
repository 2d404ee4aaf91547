#include "AppFixture.h"

#include <CBlankCheckDlg.h>
#include <CReadDlg.h>
#include <CVerifyDlg.h>
#include <CVorlaneDoc.h>
#include <CWriteDlg.h>
#include <ModalAnswer.h>
#include <SimBackend.h>

#include <At89s51And52.h>

#include <QComboBox>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QFile>
#include <QThread>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

namespace {

class JobCommandsTest : public InteractiveAppFixture {
protected:
    void SetUp() override
    {
        InteractiveAppFixture::SetUp();
        if (HasFatalFailure())
            return;
        sim = dynamic_cast<SimBackend*>(windowSession().port().backend());
        ASSERT_NE(sim, nullptr);
    }
    DeviceImage& image() { return app->document()->image(); }

    // Opens the command's window, sets the fields, presses the buttons named.
    template <typename W>
    void run(int command, const QString& start, const QString& finish, std::function<void(W&)> more = {})
    {
        AnswerNextModal<W>([=](W& w) {
            if (!start.isNull())
                w.startEdit()->setText(start);
            if (!finish.isNull())
                w.finishEdit()->setText(finish);
            if (more)
                more(w);
            if (w.isVisible())
                QTest::mouseClick(w.exitButton(), Qt::LeftButton);
        });
        frame().runCommand(command);
    }

    SimBackend* sim = nullptr;
};

} // namespace

TEST_F(JobCommandsTest, WindowsOpenWithTheDocumentRange)
{
    QStringList seen;
    AnswerNextModal<CReadDlg>([&](CReadDlg& w) {
        seen << w.windowTitle() << w.actionButton()->text() << w.exitButton()->text() << w.startEdit()->text()
             << w.finishEdit()->text();
        EXPECT_TRUE(w.actionButton()->isDefault());
        w.reject();
    });
    frame().runCommand(ID_TOOLS_READ);
    EXPECT_EQ(seen, (QStringList{"READ ", "Read", "&Exit", "0", "2fff"}));

    image().dataStart = -1;
    seen.clear();
    AnswerNextModal<CWriteDlg>([&](CWriteDlg& w) {
        seen << w.windowTitle() << w.actionButton()->text() << w.verifyButton()->text() << w.startEdit()->text()
             << w.lockLevelList()->currentText() << QString::number(w.lockLevelList()->count());
        w.reject();
    });
    frame().runCommand(ID_TOOLS_WRITE_CHANGES);
    EXPECT_EQ(seen, (QStringList{"WRITE", "Start", "Verify", "0", "0:No memory lock", "4"}))
        << "a start outside the chip is offered as the job takes it";
}

TEST_F(JobCommandsTest, WindowsOfferTheSelectedChipsRange)
{
    const struct {
        int device;
        int32_t dataStart, dataEnd;
        QStringList offered;
    } cases[] = {
        {ID_DEVICE_AT89S51, 0x1800, 0x2FFF, {"0", "fff"}},    // a larger chip's range
        {ID_DEVICE_AT89S52, 0x100, 0x2000, {"100", "1fff"}},  // one past the chip
        {ID_DEVICE_AT89S53, 0x2FFF, 0x2FFF, {"2fff", "2fff"}}, // the last byte alone
    };
    for (const auto& c : cases) {
        frame().runCommand(c.device);
        for (const int command : {ID_TOOLS_READ, ID_TOOLS_VERIFY, ID_TOOLS_BLANK_CHECK, ID_TOOLS_WRITE_ALL}) {
            SCOPED_TRACE(testing::Message() << c.device << " " << command);
            image().dataStart = c.dataStart;
            image().dataEnd = c.dataEnd;
            QStringList seen;
            AnswerNextModal<JobWindow>([&](JobWindow& w) {
                seen << w.startEdit()->text() << w.finishEdit()->text();
                w.reject();
            });
            frame().runCommand(command);
            EXPECT_EQ(seen, c.offered);
        }
    }
}

TEST_F(JobCommandsTest, ReadAndVerifyWindowsKeepTheTypedRange)
{
    image().marks[3] = MarkChanged;
    run<CReadDlg>(ID_TOOLS_READ, QStringLiteral("100"), QStringLiteral("1ff"));
    EXPECT_EQ(image().dataStart, 0x100);
    EXPECT_EQ(image().dataEnd, 0x1FF);
    EXPECT_EQ(image().marks[3], MarkNone) << "Read clears the marks even without reading";
    EXPECT_TRUE(app->document()->isModified());

    run<CVerifyDlg>(ID_TOOLS_VERIFY, QStringLiteral("zz"), QStringLiteral("2ff"));
    EXPECT_EQ(image().dataStart, 0x100) << "no hex number leaves the value";
    EXPECT_EQ(image().dataEnd, 0x2FF);

    run<CWriteDlg>(ID_TOOLS_WRITE_ALL, QStringLiteral("5"), QStringLiteral("6"));
    EXPECT_EQ(image().dataStart, 0x100) << "the write window keeps its range to itself";
    EXPECT_EQ(image().dataEnd, 0x2FF);
}

TEST_F(JobCommandsTest, ReadThroughTheWindowFillsImageAndCopy)
{
    for (int a = 0; a < 0x40; ++a)
        sim->chip().flash()[0x100 + a] = static_cast<uint8_t>(a * 3);
    run<CReadDlg>(ID_TOOLS_READ, QStringLiteral("100"), QStringLiteral("13f"), [](CReadDlg& w) {
        QTest::mouseClick(w.actionButton(), Qt::LeftButton);
        EXPECT_TRUE(w.isVisible()) << "the window stays open for another run";
        EXPECT_EQ(w.progressBar()->value(), w.progressBar()->minimum() - 1) << "an empty bar after the run";
        EXPECT_EQ(w.progressBar()->minimum(), 0x100);
    });
    for (int a = 0; a < 0x40; ++a) {
        ASSERT_EQ(image().buffer[0x100 + a], a * 3);
        ASSERT_EQ(image().chipCache[0x100 + a], a * 3);
    }
    EXPECT_EQ(image().chipCache[0x140], ChipUnknown);
}

TEST_F(JobCommandsTest, BlankCheckChecksTheEditedRangeButKeepsTheDocumentRange)
{
    sim->chip().flash()[0x2FFF] = 0x00;
    image().dataStart = 0x10;
    image().dataEnd = 0x20;
    run<CBlankCheckDlg>(ID_TOOLS_BLANK_CHECK, QStringLiteral("2ff0"), QStringLiteral("2ffe"),
                        [](CBlankCheckDlg& w) { QTest::mouseClick(w.actionButton(), Qt::LeftButton); });
    EXPECT_EQ(messages.texts(), QStringList{"Memory is blanck"});
    EXPECT_EQ(image().dataStart, 0x10);
    EXPECT_EQ(image().dataEnd, 0x20);

    run<CBlankCheckDlg>(ID_TOOLS_BLANK_CHECK, QStringLiteral("2ff0"), QStringLiteral("2fff"),
                        [](CBlankCheckDlg& w) { QTest::mouseClick(w.actionButton(), Qt::LeftButton); });
    EXPECT_EQ(messages.texts().last(), QStringLiteral("Memory isn't blanck")) << "the finish is read too";
}

TEST_F(JobCommandsTest, WriteChangesThenVerifyInTheWindow)
{
    image().buffer[0x20] = 0x5A;
    image().buffer[0x21] = 0xA5;
    run<CWriteDlg>(ID_TOOLS_WRITE_CHANGES, QStringLiteral("20"), QStringLiteral("21"), [](CWriteDlg& w) {
        w.lockLevelList()->setCurrentIndex(1);
        QTest::mouseClick(w.actionButton(), Qt::LeftButton);
        QTest::mouseClick(w.verifyButton(), Qt::LeftButton);
    });
    EXPECT_EQ(sim->chip().flash()[0x20], 0x5A);
    EXPECT_EQ(sim->chip().flash()[0x21], 0xA5);
    EXPECT_EQ(sim->chip().lockMode(), 2);
    EXPECT_EQ(messages.texts(), QStringList{"The contents of the CPU and the BUFFER match"});
    EXPECT_EQ(messages.requests[0].buttons, MessageButtons::OkCancel);
}

namespace {
// An AT89S51 in the socket of the simulated port, whatever is selected.
class WrongChipTest : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        setenv("VORLANE_PORT", "sim:s51", 1);
        resetProcess();
        startInteractive();
    }
};
} // namespace

TEST_F(WrongChipTest, TheChipFoundIsOfferedForSelection)
{
    frame().runCommand(ID_DEVICE_AT89S52);
    AnswerNextModal<CWriteDlg>([](CWriteDlg& w) {
        QTest::mouseClick(w.actionButton(), Qt::LeftButton);
        QTest::mouseClick(w.exitButton(), Qt::LeftButton);
    });
    frame().runCommand(ID_TOOLS_WRITE_ALL);
    EXPECT_EQ(messages.texts(),
              (QStringList{"The chip is an AT89S51 (signature 1E 51 06), not the AT89S52 selected. Nothing was written.",
                           "The chip in the socket is an AT89S51. Select the AT89S51 in Tools > Select CI?"}));
    EXPECT_TRUE(checked(ID_DEVICE_AT89S51));
    EXPECT_EQ(programmerSettings().device, 51u);
    EXPECT_EQ(app->document()->image().deviceSize, 0x1000);
}

namespace {
// The simulated chip kept in a file that another program writes too.
class ChipFileJobsTest : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        file = dir.filePath(QStringLiteral("chip.bin")).toStdString();
        setenv("VORLANE_PORT", ("sim:" + file).c_str(), 1);
        resetProcess();
        startInteractive();
    }
    void writeChange(int address, uint8_t value)
    {
        app->document()->image().buffer[address] = value;
        const QString at = QString::number(address, 16);
        AnswerNextModal<CWriteDlg>([](CWriteDlg& w) {
            QTest::mouseClick(w.actionButton(), Qt::LeftButton);
            QTest::mouseClick(w.exitButton(), Qt::LeftButton);
        });
        app->document()->image().dataStart = address;
        app->document()->image().dataEnd = address;
        frame().runCommand(ID_TOOLS_WRITE_CHANGES);
    }
    std::vector<uint8_t> chipFile() const
    {
        QFile f(QString::fromStdString(file));
        const QByteArray bytes = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        return {bytes.begin(), bytes.end()};
    }
    QTemporaryDir dir;
    std::string file;
};
} // namespace

// Each job reads the chip from its file: a Write Changes of one byte after
// another program wrote the chip keeps every byte that program wrote.
TEST_F(ChipFileJobsTest, EachJobReadsTheChipAfresh)
{
    writeChange(0x20, 0x5A);
    std::vector<uint8_t> other(12288);
    for (size_t a = 0; a < other.size(); ++a)
        other[a] = static_cast<uint8_t>(a * 7 % 251);
    QFile f(QString::fromStdString(file));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(reinterpret_cast<const char*>(other.data()), static_cast<qint64>(other.size()));
    f.close();

    writeChange(0x21, 0xA5);
    other[0x21] = 0xA5;
    EXPECT_EQ(chipFile(), other);
    EXPECT_EQ(messages.texts(), QStringList());
}

TEST_F(WrongChipTest, EveryWindowChecksTheChipAndOffersTheOneFound)
{
    const QString offer = QStringLiteral("The chip in the socket is an AT89S51. Select the AT89S51 in Tools > Select CI?");
    const struct {
        int selected;
        int command;
        QString message;
    } rows[] = {
        {ID_DEVICE_AT89S52, ID_TOOLS_READ,
         "The chip is an AT89S51 (signature 1E 51 06), not the AT89S52 selected. Nothing was read."},
        {ID_DEVICE_AT89S52, ID_TOOLS_VERIFY,
         "The chip is an AT89S51 (signature 1E 51 06), not the AT89S52 selected. Nothing was verified."},
        {ID_DEVICE_AT89S52, ID_TOOLS_BLANK_CHECK,
         "The chip is an AT89S51 (signature 1E 51 06), not the AT89S52 selected. Nothing was checked."},
        {ID_DEVICE_AT89S53, ID_TOOLS_READ,
         "The chip does not answer as an AT89S53: it answers as an AT89S51 (signature 1E 51 06). Select the "
         "AT89S51 in Tools > Select CI, or with --device s51. Nothing was read."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.message.toStdString());
        frame().runCommand(row.selected);
        messages.requests.clear();
        DeviceImage& image = app->document()->image();
        image.buffer.fill(0x00);
        AnswerNextModal<JobWindow>([](JobWindow& w) {
            QTest::mouseClick(w.actionButton(), Qt::LeftButton);
            QTest::mouseClick(w.exitButton(), Qt::LeftButton);
        });
        frame().runCommand(row.command);
        EXPECT_EQ(messages.texts(), (QStringList{row.message, offer}));
        EXPECT_TRUE(checked(ID_DEVICE_AT89S51)) << "the offer taken";
        EXPECT_EQ(image.buffer[0], 0x00) << "nothing read into the image";
    }
}

TEST_F(JobCommandsTest, AnotherChipSelectedIsWrittenWhole)
{
    // Written on the AT89S53, then the AT89S52 selected: its simulated
    // socket holds a blank AT89S52, which Write Changes must write whole.
    for (int a = 0; a < 5; ++a)
        image().buffer[a] = static_cast<uint8_t>(0x11 * (a + 1));
    const auto writeChanges = [&] {
        run<CWriteDlg>(ID_TOOLS_WRITE_CHANGES, QStringLiteral("0"), QStringLiteral("4"),
                       [](CWriteDlg& w) { QTest::mouseClick(w.actionButton(), Qt::LeftButton); });
    };
    writeChanges();
    EXPECT_EQ(sim->chip().flash()[4], 0x55);
    frame().runCommand(ID_DEVICE_AT89S52);
    writeChanges();
    const auto& s52 = sim->modelAs<sim::At89s51And52>().flash();
    EXPECT_EQ(std::vector<uint8_t>(s52.begin(), s52.begin() + 5), (std::vector<uint8_t>{0x11, 0x22, 0x33, 0x44, 0x55}));
    EXPECT_EQ(messages.texts(), QStringList{});
}

TEST_F(JobCommandsTest, EraseAndReset)
{
    sim->chip().flash().fill(0x00);
    image().buffer[7] = 0x12;
    image().marks[7] = MarkChanged;
    frame().runCommand(ID_TOOLS_ERASE);
    EXPECT_EQ(messages.texts(), QStringList{"Memory erased"});
    EXPECT_EQ(sim->chip().flash()[0x1234], 0xFF);
    EXPECT_EQ(image().chipCache[0x2FFF], 0xFF);
    EXPECT_EQ(image().chipCache[0x3000], ChipUnknown);
    EXPECT_EQ(image().buffer[7], 0x12);
    EXPECT_EQ(image().marks[7], MarkChanged);

    sim->chip().clearStats();
    frame().runCommand(ID_TOOLS_RESET);
    EXPECT_FALSE(sim->chip().inProgramming());
    EXPECT_EQ(sim->chip().stats().frames(), 0u) << "a reset sends no instruction";
}

TEST_F(JobCommandsTest, NothingClosesTheWindowWhileAJobRuns)
{
    bool closedDuringJob = false;
    bool mainClosedDuringJob = false;
    AnswerNextModal<CReadDlg>([&](CReadDlg& w) {
        // Fires from the job's own event processing, while it reads.
        QTimer::singleShot(0, &w, [&] {
            EXPECT_TRUE(JobWindow::anyJobRunning());
            w.close();
            w.reject();
            QTest::mouseClick(w.exitButton(), Qt::LeftButton);
            closedDuringJob = !w.isVisible();
            frame().close();
            mainClosedDuringJob = !frame().isVisible();
        });
        QTest::mouseClick(w.actionButton(), Qt::LeftButton);
        EXPECT_TRUE(w.isVisible());
        w.reject();
    });
    run<CReadDlg>(ID_TOOLS_READ, QStringLiteral("0"), QStringLiteral("3ff"));
    EXPECT_FALSE(closedDuringJob);
    EXPECT_FALSE(mainClosedDuringJob);
    EXPECT_FALSE(JobWindow::anyJobRunning());
}

TEST_F(JobCommandsTest, AFinishedJobSaysSoInTheStatusBar)
{
    // The seconds vary: shown here as #.#.
    auto said = [this] {
        return QString(frame().statusMessage()).replace(QRegularExpression(QStringLiteral("in \\d+\\.\\d s$")),
                                                             QStringLiteral("in #.# s"));
    };
    auto press = [](QPushButton* b) { QTest::mouseClick(b, Qt::LeftButton); };
    run<CReadDlg>(ID_TOOLS_READ, QStringLiteral("100"), QStringLiteral("13f"),
                  [&](CReadDlg& w) { press(w.actionButton()); });
    EXPECT_EQ(said(), QStringLiteral("Read 64 bytes, 0x0100–0x013F, in #.# s"));

    image().buffer[0x20] = 0x5A;
    image().buffer[0x21] = 0xA5;
    QStringList inWindow;
    run<CWriteDlg>(ID_TOOLS_WRITE_CHANGES, QStringLiteral("20"), QStringLiteral("21"), [&](CWriteDlg& w) {
        press(w.actionButton());
        inWindow << said();
        press(w.actionButton());
        inWindow << said();
        press(w.verifyButton());
        inWindow << said();
    });
    EXPECT_EQ(inWindow, (QStringList{"Written 2 bytes, 0x0020–0x0021, in #.# s",
                                     "Written 0 of 2 bytes, 0x0020–0x0021, in #.# s",
                                     "Verified 2 bytes, 0x0020–0x0021, in #.# s"}));

    image().buffer[0x22] = 0x11;
    run<CVerifyDlg>(ID_TOOLS_VERIFY, QStringLiteral("20"), QStringLiteral("22"),
                    [&](CVerifyDlg& w) { press(w.actionButton()); });
    EXPECT_EQ(said(), QStringLiteral("Verify: 1 byte differs, first at 0x0022, 0x0020–0x0022, in #.# s"));

    run<CBlankCheckDlg>(ID_TOOLS_BLANK_CHECK, QStringLiteral("2ff0"), QStringLiteral("2ffe"),
                        [&](CBlankCheckDlg& w) { press(w.actionButton()); });
    EXPECT_EQ(said(), QStringLiteral("Blank checked 15 bytes, 0x2FF0–0x2FFE, in #.# s"));
    sim->chip().flash()[0x2FFF] = 0x00;
    run<CBlankCheckDlg>(ID_TOOLS_BLANK_CHECK, QStringLiteral("2ff0"), QStringLiteral("2fff"),
                        [&](CBlankCheckDlg& w) { press(w.actionButton()); });
    EXPECT_EQ(said(), QStringLiteral("Not blank: 0x2FFF holds data, 0x2FF0–0x2FFF, in #.# s"));

    frame().runCommand(ID_TOOLS_ERASE);
    EXPECT_EQ(said(), QStringLiteral("Erased 12,288 bytes, 0x0000–0x2FFF, in #.# s"));

    // A failure says why, as its message begins, and replaces the last success.
    run<CBlankCheckDlg>(ID_TOOLS_BLANK_CHECK, QStringLiteral("200"), QStringLiteral("100"),
                        [&](CBlankCheckDlg& w) { press(w.actionButton()); });
    EXPECT_EQ(messages.texts().last(), QStringLiteral("The start, 0x0200, lies above the finish, 0x0100: nothing was checked."));
    EXPECT_EQ(said(), QStringLiteral("Blank check failed: the start, 0x0200, lies above the finish, 0x0100, in #.# s"));
    setenv("VORLANE_PORT", "none", 1);
    ReopenWindowPortForTesting();
    run<CWriteDlg>(ID_TOOLS_WRITE_ALL, QStringLiteral("0"), QStringLiteral("f"),
                   [&](CWriteDlg& w) { press(w.actionButton()); });
    EXPECT_EQ(said(), QStringLiteral("Write failed: no port, in #.# s"));
}

TEST_F(JobCommandsTest, TheTimeShownLeavesOutTheMessageBoxes)
{
    // The user reads "Memory is blanck" for over a second; the check itself
    // takes a small part of one.
    messages.onMessage = [](const MessageRequest&) { QThread::msleep(1500); };
    run<CBlankCheckDlg>(ID_TOOLS_BLANK_CHECK, QStringLiteral("0"), QStringLiteral("f"),
                        [](CBlankCheckDlg& w) { QTest::mouseClick(w.actionButton(), Qt::LeftButton); });
    ASSERT_EQ(messages.texts(), QStringList{"Memory is blanck"});
    EXPECT_TRUE(frame().statusBar()->currentMessage().contains(QRegularExpression(QStringLiteral(", in 0\\.\\d s$"))))
        << frame().statusBar()->currentMessage().toStdString();
}
