#include "AppFixture.h"

#include <CAboutDlg.h>
#include <CCableHelpDlg.h>
#include <CHelpDlg.h>
#include <CInfoDlg.h>
#include <CVorlaneDoc.h>
#include <CVorlaneView.h>
#include <ElidedLabel.h>
#include <JobSummary.h>
#include <MenuTable.h>

#include <QAction>
#include <QActionGroup>
#include <QFile>
#include <QRegularExpression>
#include <QApplication>
#include <QIcon>
#include <QLayout>
#include <QTextBrowser>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>

namespace {

class MainFrameTest : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        notFirstRun();
        ASSERT_TRUE(start());
    }
    QString text(int command) { return frame().action(command)->text(); }

    // Opens the menu and moves the pointer onto the command's item, as a
    // user would; gives back the status bar's message.
    QString hover(QMenu* menu, int command)
    {
        if (!menu->isVisible()) {
            frame().menuBar()->setActiveAction(menu->menuAction());
            EXPECT_TRUE(QTest::qWaitForWindowExposed(menu));
        }
        const QPoint at = menu->actionGeometry(frame().action(command)).center();
        QMouseEvent move(QEvent::MouseMove, at, menu->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(menu, &move);
        EXPECT_EQ(menu->activeAction(), frame().action(command));
        return frame().statusBar()->currentMessage();
    }
};

} // namespace

TEST_F(MainFrameTest, MenuTextsAndKeyHints)
{
    QStringList titles;
    for (QAction* a : frame().menuBar()->actions())
        titles << a->text();
    EXPECT_EQ(titles, (QStringList{"&File", "&Edit", "V&iew", "&Tools", "&Help"}));
    EXPECT_EQ(text(ID_FILE_OPEN), QStringLiteral("&Open...\tCtrl+A"));
    EXPECT_EQ(text(ID_FILE_SAVE), QStringLiteral("&Save\tCtrl+G"));
    EXPECT_EQ(text(ID_TOOLS_BLANK_CHECK), QStringLiteral("&Blanck Check\tAlt+B"));
    EXPECT_EQ(text(ID_TOOLS_RESET), QStringLiteral("Reset &Kelda\tAlt-Z"));
    EXPECT_EQ(text(ID_APP_ABOUT), QStringLiteral("&About vorlane...\tF2"));
    EXPECT_EQ(text(ID_RST_PIN_D0), QStringLiteral("D0 (Default)"));
    EXPECT_EQ(text(ID_CLK_PIN_D0 + 1), QStringLiteral("D1 (Default)"));
    EXPECT_EQ(text(ID_DTA_PIN_D0 + 2), QStringLiteral("D2 (Default)"));
    EXPECT_EQ(text(ID_DTA_PIN_D0 + 7), QStringLiteral("D7"));
    QMenu* pins = frame().menu(QStringLiteral("Tools/Options/Select CLK Pin"));
    ASSERT_NE(pins, nullptr);
    EXPECT_EQ(pins->actions().size(), 8);
    EXPECT_EQ(pins->title(), QStringLiteral("Select CLK Pin"));
    EXPECT_NE(frame().menu(QStringLiteral("Tools/LPT 1 at ...")), nullptr);
    EXPECT_NE(frame().menu(QStringLiteral("Tools/Select CI")), nullptr);
}

TEST_F(MainFrameTest, PromptsAndToolTips)
{
    EXPECT_EQ(frame().action(ID_FILE_NEW)->statusTip(), QStringLiteral("Creates a new document"));
    EXPECT_EQ(frame().action(ID_FILE_NEW)->toolTip(), QStringLiteral("Nuevo"));
    EXPECT_EQ(frame().action(ID_TOOLS_READ)->statusTip(), QStringLiteral("Reads the memory program "));
    EXPECT_EQ(frame().action(ID_EDIT_COPY)->statusTip(),
              QStringLiteral("Copies a portion of memory to an especified location."));
    EXPECT_EQ(frame().action(ID_VIEW_INFO)->statusTip(), QString());
    EXPECT_EQ(frame().messagePane()->text(), QStringLiteral("Ready"));

    // The pointer over an item shows its prompt in place of "Ready"; over an
    // item without one, and once the menu closes, "Ready" is back.
    frame().show();
    QMenu* tools = frame().menu(QStringLiteral("Tools"));
    EXPECT_EQ(hover(tools, ID_TOOLS_READ), QStringLiteral("Reads the memory program "));
    EXPECT_TRUE(frame().messagePane()->isHidden());
    EXPECT_EQ(hover(tools, ID_TOOLS_ERASE), QString());
    EXPECT_FALSE(frame().messagePane()->isHidden());
    hover(tools, ID_TOOLS_WRITE_ALL);
    tools->hide();
    EXPECT_EQ(frame().statusBar()->currentMessage(), QString());
    EXPECT_FALSE(frame().messagePane()->isHidden());
}

TEST_F(MainFrameTest, ToolBarButtonsInOrderWithIcons)
{
    QList<int> commands;
    for (QAction* a : frame().toolBar()->actions()) {
        commands << (a->isSeparator() ? 0 : a->data().toInt());
        if (!a->isSeparator()) {
            EXPECT_FALSE(a->icon().isNull()) << a->data().toInt();
        }
    }
    EXPECT_EQ(commands, (QList<int>{ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, 0, ID_TOOLS_READ,
                                    ID_TOOLS_WRITE_CHANGES, ID_TOOLS_VERIFY, 0, ID_HELP_INDEX}));
}

TEST_F(MainFrameTest, ViewTogglesFollowTheBars)
{
    frame().runCommand(ID_VIEW_STATUS_BAR);
    EXPECT_TRUE(frame().statusBar()->isHidden());
    EXPECT_FALSE(checked(ID_VIEW_STATUS_BAR));
    frame().runCommand(ID_VIEW_TOOLBAR);
    EXPECT_TRUE(frame().toolBar()->isHidden());
    EXPECT_FALSE(checked(ID_VIEW_TOOLBAR));
    frame().runCommand(ID_VIEW_TOOLBAR);
    EXPECT_TRUE(checked(ID_VIEW_TOOLBAR));
}

TEST_F(MainFrameTest, UnboundKeysDoNothing)
{
    for (int command : {ID_EDIT_PASTE, ID_EDIT_UNDO, ID_EDIT_CUT, ID_NEXT_PANE, ID_PREV_PANE})
        EXPECT_FALSE(frame().runCommand(command)) << command;
    const auto& table = Accelerators();
    const bool openOnCtrlO = std::any_of(table.begin(), table.end(), [](const AcceleratorEntry& e) {
        return e.keys == QKeySequence(Qt::CTRL | Qt::Key_O) && e.command == ID_FILE_OPEN;
    });
    const bool gotoOnCtrlG = std::any_of(table.begin(), table.end(), [](const AcceleratorEntry& e) {
        return e.keys == QKeySequence(Qt::CTRL | Qt::Key_G) && e.command == ID_EDIT_GOTO;
    });
    EXPECT_TRUE(openOnCtrlO);
    EXPECT_TRUE(gotoOnCtrlG);
}

TEST_F(MainFrameTest, DeviceSelectionKeepsTheImageAndScrollsToTop)
{
    DeviceImage& image = app->document()->image();
    image.buffer[0x123] = 0x42;
    image.marks[0x123] = MarkMismatch;
    app->view()->cursorRow = 7;
    const struct {
        int command;
        uint32_t device;
        int32_t size;
        QString partCode;
        QString signature;
    } cases[] = {
        {ID_DEVICE_AT89S51, 51, 0x1000, "AT89S51 ISP", "1E5106"},
        {ID_DEVICE_AT89S52, 52, 0x2000, "AT89S52 ISP", "1E5206"},
        {ID_DEVICE_AT89S53, 53, 0x3000, "AT89S53 ISP", "00531E"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.device);
        app->view()->verticalScrollBar()->setValue(100);
        frame().runCommand(c.command);
        EXPECT_EQ(image.deviceSize, c.size);
        EXPECT_EQ(programmerSettings().device, c.device);
        EXPECT_EQ(image.buffer[0x123], 0x42);
        EXPECT_EQ(image.marks[0x123], MarkMismatch);
        EXPECT_EQ(app->view()->verticalScrollBar()->value(), 0);
        EXPECT_EQ(app->view()->verticalScrollBar()->maximum(), c.size / 16 - 1);
        EXPECT_EQ(app->view()->cursorRow, 7);
        EXPECT_TRUE(checked(c.command));
        for (const auto& other : cases)
            EXPECT_EQ(checked(other.command), other.command == c.command);
        CInfoDlg info(StoredDevice(programmerSettings().device),
                      QString::fromStdString(windowPortChoice().programmer()),
                      QString::fromStdString(windowSession().describePort()));
        QStringList texts;
        for (QLabel* l : info.findChildren<QLabel*>())
            texts << l->text();
        EXPECT_TRUE(texts.contains(c.partCode)) << texts.join(',').toStdString();
        EXPECT_TRUE(texts.contains(c.signature));
        EXPECT_TRUE(texts.contains(QStringLiteral("Parallel-port cable to a simulated chip")));
        // The simulated port holds the chip selected.
        EXPECT_TRUE(frame().portPane()->text().contains(QStringLiteral("simulated AT89S%1").arg(c.device)))
            << frame().portPane()->text().toStdString();
    }
    exitApp();
    EXPECT_EQ(stored("Device").toInt(), 53);
}

TEST_F(MainFrameTest, NewResetsTheImageButKeepsTheRange)
{
    DeviceImage& image = app->document()->image();
    image.buffer[5] = 0;
    image.chipCache[0x4FFF] = 7;
    image.dataStart = 0x100;
    image.dataEnd = 0x200;
    frame().runCommand(ID_FILE_NEW);
    EXPECT_EQ(image.buffer[5], 0xFF);
    EXPECT_EQ(image.chipCache[0x4FFF], ChipUnknown);
    EXPECT_EQ(image.dataStart, 0x100);
    EXPECT_EQ(image.dataEnd, 0x200);
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("Sintit - Vorlane"));
}

TEST_F(MainFrameTest, HelpWindowsShowTheirTexts)
{
    CHelpDlg help;
    EXPECT_EQ(help.windowTitle(), QStringLiteral("HELP"));
    EXPECT_TRUE(help.browser()->isReadOnly());
    const QString text = help.browser()->toPlainText();
    EXPECT_TRUE(text.contains(QStringLiteral("VorlanePro")));
    EXPECT_TRUE(text.contains(QStringLiteral("Alt+S")));
    EXPECT_TRUE(text.contains(QStringLiteral("Kelda I")));
    CCableHelpDlg cable;
    const QString wiring = cable.browser()->toPlainText();
    EXPECT_TRUE(wiring.contains(QStringLiteral("MISO")));
    EXPECT_TRUE(wiring.contains(QStringLiteral("7404")));
    EXPECT_TRUE(wiring.contains(QStringLiteral("pull-up")));
    EXPECT_FALSE(QIcon(QStringLiteral(":/vorlane/icons/vorlane.png")).isNull());
}

TEST_F(MainFrameTest, ThePortLineOutlastsThePrompts)
{
    frame().show();
    const QString line = frame().portPane()->text();
    ASSERT_EQ(line, QStringLiteral("Port: simulated AT89S53 at 0x378"));
    QMenu* file = frame().menu(QStringLiteral("File"));
    EXPECT_EQ(hover(file, ID_FILE_NEW), QStringLiteral("Creates a new document"));
    EXPECT_TRUE(frame().portPane()->isVisible());
    file->hide();
    EXPECT_TRUE(frame().portPane()->isVisible());
    EXPECT_EQ(frame().portPane()->text(), line);
    EXPECT_EQ(frame().portPane()->toolTip(), line);
}

TEST_F(MainFrameTest, ANarrowWindowCutsThePortLineInTheMiddleAndTheJobsLineClearOfIt)
{
    frame().show();
    frame().setPortLine(QStringLiteral("Port: simulated AT89S51 at 0x378, chip kept in /home/me/boards/chip.s51.bin"));
    const QString summary = WidestJobSummaries().front();
    frame().showStatusMessage(summary);
    for (int width : {1400, 760, 520}) {
        frame().resize(width, 400);
        frame().statusBar()->layout()->activate();
        const QString port = frame().portPane()->shownText(), shown = frame().statusBar()->currentMessage();
        EXPECT_TRUE(port == frame().portPane()->text() || port.endsWith(QStringLiteral("\u2026/chip.s51.bin"))) << width;
        EXPECT_TRUE(shown == summary || (summary.startsWith(shown.chopped(1)) && shown.endsWith(QChar(0x2026)))) << width;
        EXPECT_LT(6 + frame().statusBar()->fontMetrics().horizontalAdvance(shown), frame().portPane()->x()) << width;
    }
}

TEST_F(MainFrameTest, ExclusiveChoicesAreRadioItems)
{
    // Qt draws the items of an exclusive group as radio buttons.
    for (const char* path : {"Tools/LPT 1 at ...", "Tools/Select CI", "Tools/Options/Select RST Pin",
                             "Tools/Options/Select CLK Pin", "Tools/Options/Select DTA Pin"}) {
        const QList<QAction*> items = frame().menu(QLatin1String(path))->actions();
        QActionGroup* group = items.first()->actionGroup();
        ASSERT_NE(group, nullptr) << path;
        EXPECT_EQ(group->exclusionPolicy(), QActionGroup::ExclusionPolicy::Exclusive) << path;
        EXPECT_EQ(group->actions(), items) << path;
        EXPECT_NE(group->checkedAction(), nullptr) << path;
    }
    EXPECT_EQ(frame().action(ID_LPT_378)->actionGroup()->checkedAction(), frame().action(ID_LPT_378));
    EXPECT_EQ(frame().action(ID_CLK_PIN_D0)->actionGroup()->checkedAction(), frame().action(ID_CLK_PIN_D0 + 1));
    // Choosing the checked item again keeps it checked.
    frame().action(ID_LPT_378)->trigger();
    EXPECT_TRUE(checked(ID_LPT_378));
    // The options are check items of their own.
    for (int id : {ID_OPTION_READ_AFTER_WRITE, ID_OPTION_READ_BEFORE_WRITE, ID_OPTION_RST_INVERTED, ID_VIEW_TOOLBAR,
                   ID_VIEW_STATUS_BAR}) {
        EXPECT_TRUE(frame().action(id)->isCheckable()) << id;
        EXPECT_EQ(frame().action(id)->actionGroup(), nullptr) << id;
    }
}

TEST_F(MainFrameTest, ToolsMenuShowsNoPicturesBesideItsCommands)
{
    // There the icon column carries the options' marks: Verify's tick would
    // read as a checked option.
    QList<QMenu*> menus{frame().menu(QStringLiteral("Tools"))};
    menus << menus[0]->findChildren<QMenu*>();
    for (QMenu* m : menus) {
        for (QAction* a : m->actions()) {
            if (!a->isCheckable() && !a->menu() && !a->isSeparator()) {
                EXPECT_TRUE(a->icon().isNull() || !a->isIconVisibleInMenu()) << a->text().toStdString();
            }
        }
    }
    QAction* verify = frame().action(ID_TOOLS_VERIFY);
    EXPECT_FALSE(verify->isCheckable());
    EXPECT_FALSE(verify->icon().isNull()) << "the tool bar keeps its picture";
    EXPECT_TRUE(frame().action(ID_FILE_OPEN)->isIconVisibleInMenu()) << "the File menu keeps its pictures";
}

TEST_F(MainFrameTest, EveryAltLetterReachesOneItem)
{
    QList<QList<QAction*>> levels{frame().menuBar()->actions()};
    for (QMenu* m : frame().menuBar()->findChildren<QMenu*>())
        levels << m->actions();
    for (const QList<QAction*>& level : levels) {
        std::map<QString, QStringList> byLetter;
        for (QAction* a : level) {
            const QKeySequence letter = QKeySequence::mnemonic(a->text());
            if (!letter.isEmpty())
                byLetter[letter.toString()] << a->text();
        }
        for (const auto& [letter, texts] : byLetter) {
            EXPECT_EQ(texts.size(), 1) << letter.toStdString() << ": " << texts.join(QStringLiteral(", ")).toStdString();
        }
    }
    // Each menu of the bar opens with its letter, which no key of the window takes.
    frame().show();
    frame().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame()));
    for (QAction* title : frame().menuBar()->actions()) {
        const QKeySequence letter = QKeySequence::mnemonic(title->text());
        ASSERT_FALSE(letter.isEmpty()) << title->text().toStdString();
        for (const AcceleratorEntry& acc : Accelerators()) {
            EXPECT_NE(acc.keys, letter) << title->text().toStdString();
        }
        QTest::keyClick(&frame(), letter[0].key(), letter[0].keyboardModifiers());
        EXPECT_TRUE(QTest::qWaitFor([title] { return title->menu()->isVisible(); })) << title->text().toStdString();
        title->menu()->hide();
    }
}

TEST_F(MainFrameTest, OneVersionStory)
{
    const QString version = QStringLiteral(VORLANE_VERSION);
    CAboutDlg about;
    QStringList aboutTexts;
    for (QLabel* l : about.findChildren<QLabel*>())
        aboutTexts << l->text();
    EXPECT_TRUE(aboutTexts.join(QLatin1Char(' ')).contains(QStringLiteral("version ") + version))
        << aboutTexts.join(QLatin1Char(' ')).toStdString();

    // The help names the program's version, and tells Info's "1.10 Beta"
    // for what it is: the chip data's own.
    CHelpDlg help;
    const QString text = help.browser()->toPlainText();
    EXPECT_TRUE(text.contains(QStringLiteral("Versión ") + version + QStringLiteral(" para Linux")));
    const QStringList beta = text.split(QLatin1Char('\n')).filter(QStringLiteral("1.10 Beta"));
    ASSERT_EQ(beta.size(), 1) << text.toStdString();
    EXPECT_TRUE(beta[0].startsWith(QStringLiteral("View › Info"))) << beta[0].toStdString();

    CInfoDlg info(DeviceById(DeviceId::AT89S53), {}, {});
    QStringList infoTexts;
    for (QLabel* l : info.findChildren<QLabel*>())
        infoTexts << l->text();
    EXPECT_TRUE(infoTexts.contains(QStringLiteral("1.10 Beta")));

    QFile man(QStringLiteral(VORLANE_SOURCE_DIR "/src/res/vorlane.1"));
    ASSERT_TRUE(man.open(QIODevice::ReadOnly));
    const QString page = QString::fromUtf8(man.readAll());
    const QStringList th = page.split(QLatin1Char('\n')).filter(QRegularExpression(QStringLiteral("^\\.TH ")));
    ASSERT_EQ(th.size(), 1);
    EXPECT_TRUE(th[0].contains(QStringLiteral("\"Vorlane ") + version + QLatin1Char('"'))) << th[0].toStdString();
}
