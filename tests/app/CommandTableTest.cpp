// Every command of the menu, the accelerators and the tool bar reaches its
// handler: what each one visibly does is checked by its identifier.
#include "AppFixture.h"

#include <CAboutDlg.h>
#include <CBlankCheckDlg.h>
#include <CCableHelpDlg.h>
#include <CCopyDlg.h>
#include <CFillDlg.h>
#include <CGotoDlg.h>
#include <CHelpDlg.h>
#include <CInfoDlg.h>
#include <COptionsDlg.h>
#include <CReadDlg.h>
#include <CVerifyDlg.h>
#include <CVorlaneDoc.h>
#include <CVorlaneView.h>
#include <CWriteDlg.h>
#include <FileCommands.h>
#include <MenuTable.h>
#include <SimBackend.h>

#include <QAction>
#include <QGuiApplication>
#include <QWindow>
#include <QFile>
#include <QFileDialog>
#include <QScrollBar>
#include <QShortcut>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <map>

namespace {

class CommandTableTest : public InteractiveAppFixture {
protected:
    void SetUp() override
    {
        InteractiveAppFixture::SetUp();
        if (HasFatalFailure())
            return;
        // Whatever modal window a command opens is noted and closed.
        watcher = new QTimer;
        QObject::connect(watcher, &QTimer::timeout, [this] {
            if (QWidget* w = QApplication::activeModalWidget()) {
                opened << QString::fromLatin1(w->metaObject()->className());
                QMetaObject::invokeMethod(w, "reject");
            }
        });
        watcher->start(5);
    }
    void TearDown() override
    {
        delete watcher;
        InteractiveAppFixture::TearDown();
    }

    // The class of the modal window the command opened, or "" for none.
    QString windowOf(int command)
    {
        opened.clear();
        EXPECT_TRUE(frame().runCommand(command)) << command;
        return opened.join(QLatin1Char(','));
    }

    DeviceImage& image() { return app->document()->image(); }

    QTimer* watcher = nullptr;
    QStringList opened;
    QTemporaryDir dir;
};

} // namespace

TEST_F(CommandTableTest, EveryMenuCommandReachesItsHandler)
{
    const std::map<int, const char*> windows = {
        {ID_FILE_OPEN, "QFileDialog"},        {ID_FILE_SAVE, "QFileDialog"},
        {ID_FILE_SAVE_AS, "QFileDialog"},     {ID_EDIT_COPY, "CCopyDlg"},
        {ID_EDIT_FILL, "CFillDlg"},           {ID_EDIT_GOTO, "CGotoDlg"},
        {ID_VIEW_INFO, "CInfoDlg"},           {ID_TOOLS_READ, "CReadDlg"},
        {ID_TOOLS_VERIFY, "CVerifyDlg"},      {ID_TOOLS_WRITE_CHANGES, "CWriteDlg"},
        {ID_TOOLS_WRITE_ALL, "CWriteDlg"},    {ID_TOOLS_BLANK_CHECK, "CBlankCheckDlg"},
        {ID_MORE_OPTIONS, "COptionsDlg"},     {ID_APP_ABOUT, "CAboutDlg"},
        {ID_HELP_INDEX, "CHelpDlg"},          {ID_HELP_CABLE, "CCableHelpDlg"},
        {ID_PROGRAMMER_ARDUINO, "ArduinoPortDlg"}, {ID_PROGRAMMER_GPIO, "GpioLinesDlg"},
        {ID_PROGRAMMER_FTDI, "FtdiCableDlg"},
    };
    for (const auto& [command, window] : windows)
        EXPECT_EQ(windowOf(command), QLatin1String(window)) << command;
    EXPECT_TRUE(checked(ID_PROGRAMMER_CABLE)) << "a cancelled choice keeps the programmer in use";

    // Commands without a window, each by what it changes.
    image().buffer[0] = 0x00;
    EXPECT_EQ(windowOf(ID_FILE_NEW), QString());
    EXPECT_EQ(image().buffer[0], 0xFF);

    image().marks[9] = MarkMismatch;
    windowOf(ID_EDIT_CLEAR_SELECTION);
    EXPECT_EQ(image().marks[9], MarkNone);

    windowOf(ID_VIEW_TOOLBAR);
    EXPECT_TRUE(frame().toolBar()->isHidden());
    windowOf(ID_VIEW_STATUS_BAR);
    EXPECT_TRUE(frame().statusBar()->isHidden());

    windowOf(ID_TOOLS_ERASE);
    EXPECT_EQ(messages.texts().last(), QStringLiteral("Memory erased"));

    auto* sim = dynamic_cast<SimBackend*>(windowSession().port().backend());
    ASSERT_NE(sim, nullptr);
    sim->cable().writeData(0x00, 0); // lines away from their released state
    windowOf(ID_TOOLS_RESET);
    EXPECT_EQ(sim->cable().lastData(), 0xFF) << "the reset ends released";

    windowOf(ID_LPT_3BC);
    EXPECT_EQ(programmerSettings().lptBase, 0x3BC);
    windowOf(ID_LPT_278);
    EXPECT_EQ(programmerSettings().lptBase, 0x278);
    windowOf(ID_LPT_378);
    EXPECT_EQ(programmerSettings().lptBase, 0x378);

    app->view()->verticalScrollBar()->setValue(50);
    windowOf(ID_DEVICE_AT89S53);
    EXPECT_EQ(app->view()->firstRow(), 0);

    windowOf(ID_OPTION_READ_AFTER_WRITE);
    EXPECT_EQ(programmerSettings().readAfterWrite, 0);
    windowOf(ID_OPTION_READ_BEFORE_WRITE);
    EXPECT_EQ(programmerSettings().readBeforeWrite, 0);
    windowOf(ID_OPTION_RST_INVERTED);
    EXPECT_EQ(programmerSettings().idleByte, 1);

    for (int n = 0; n < 8; ++n) {
        windowOf(ID_RST_PIN_D0 + n);
        EXPECT_EQ(programmerSettings().resetPin, n);
        windowOf(ID_CLK_PIN_D0 + n);
        EXPECT_EQ(programmerSettings().clockPin, n);
        windowOf(ID_DTA_PIN_D0 + n);
        EXPECT_EQ(programmerSettings().dataPin, n);
    }

    // Files: the recent entry and Reload need a file behind the document.
    const QString path = dir.filePath(QStringLiteral("walk.hex"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(":0100000042BD\r\n");
    f.close();
    app->files().addRecent(path);
    windowOf(ID_FILE_MRU_FILE1);
    EXPECT_EQ(image().buffer[0], 0x42);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(":0100000043BC\r\n");
    f.close();
    windowOf(ID_FILE_RELOAD);
    EXPECT_EQ(image().buffer[0], 0x43);
    EXPECT_EQ(image().marks[0], MarkChanged);

    windowOf(ID_APP_EXIT);
    EXPECT_FALSE(frame().isVisible());

    // Nothing of the menu is left without a handler.
    for (const MenuEntry& e : MenuEntries()) {
        if (e.command != 0) {
            EXPECT_TRUE(frame().action(e.command)->isEnabled()) << e.command;
        }
    }
}

TEST_F(CommandTableTest, AcceleratorsAndToolBarRunTheirCommands)
{
    frame().show();
    frame().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame()));
    // In the ASCII pane a key that reached the view would type a byte.
    app->view()->asciiPane = 1;
    std::map<int, int> runs;
    std::map<int, int> expected;
    for (const AcceleratorEntry& acc : Accelerators()) {
        if (acc.command == ID_FILE_MRU_FILE1)
            continue; // no recent file yet: the entry is disabled
        ++expected[acc.command];
    }
    for (const auto& [command, keyCount] : expected) {
        if (QAction* a = frame().action(command))
            QObject::connect(a, &QAction::triggered, a, [&runs, id = command] { ++runs[id]; });
    }
    // Each key the window binds, by the keys it answers to.
    std::map<QString, int> taken;
    for (QShortcut* shortcut : frame().findChildren<QShortcut*>()) {
        QObject::connect(shortcut, &QShortcut::activated, shortcut,
                         [&taken, keys = shortcut->key().toString()] { ++taken[keys]; });
    }

    for (const AcceleratorEntry& acc : Accelerators()) {
        if (acc.command == ID_FILE_MRU_FILE1)
            continue;
        const QKeyCombination keys = acc.keys[0];
        // A window just closed may still hold the focus: shortcuts follow it.
        frame().activateWindow();
        ASSERT_TRUE(QTest::qWaitFor([this] { return QGuiApplication::focusWindow() == frame().windowHandle(); }));
        QTest::keyClick(app->view(), keys.key(), keys.keyboardModifiers());
        EXPECT_EQ(taken[acc.keys.toString()], 1) << acc.keys.toString().toStdString() << " is the window's";
    }
    for (const auto& [command, keyCount] : expected) {
        if (frame().action(command)) {
            EXPECT_EQ(runs[command], keyCount) << command;
        }
    }
    // Paste, undo, cut and the pane keys have no command, yet the window
    // takes them: they type nothing.
    for (int a = 0; a < 16; ++a) {
        EXPECT_EQ(image().marks[a], MarkNone) << a;
        EXPECT_EQ(image().buffer[a], 0xFF) << a;
    }

    // The tool bar's buttons are the menu's actions.
    for (QAction* a : frame().toolBar()->actions()) {
        if (a->isSeparator())
            continue;
        const int before = runs[a->data().toInt()];
        QTest::mouseClick(frame().toolBar()->widgetForAction(a), Qt::LeftButton);
        EXPECT_EQ(runs[a->data().toInt()], before + 1) << a->data().toInt();
    }
}

TEST_F(CommandTableTest, CtrlAOpensAsTheFileMenuSays)
{
    frame().show();
    frame().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame()));
    EXPECT_EQ(frame().action(ID_FILE_OPEN)->text(), QStringLiteral("&Open...\tCtrl+A"));
    app->view()->asciiPane = 1;
    opened.clear();
    QTest::keyClick(app->view(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(opened, QStringList{"QFileDialog"});
    EXPECT_EQ(image().buffer[0], 0xFF) << "no 0x01 typed";
    EXPECT_EQ(image().marks[0], MarkNone);
    EXPECT_FALSE(app->document()->isModified());
}
