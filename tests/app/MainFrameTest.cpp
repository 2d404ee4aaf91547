#include "AppFixture.h"

#include <CVorlaneDoc.h>
#include <CVorlaneView.h>
#include <CCableHelpDlg.h>
#include <CHelpDlg.h>
#include <MenuTable.h>

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QTextBrowser>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QStatusBar>
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
};

} // namespace

TEST_F(MainFrameTest, MenuTextsAndKeyHints)
{
    QStringList titles;
    for (QAction* a : frame().menuBar()->actions())
        titles << a->text();
    EXPECT_EQ(titles, (QStringList{"&File", "&Edit", "V&iew", "Tools", "&Help"}));
    EXPECT_EQ(text(ID_FILE_OPEN), QStringLiteral("&Open...\tCtrl+A"));
    EXPECT_EQ(text(ID_FILE_SAVE), QStringLiteral("&Save\tCtrl+G"));
    EXPECT_EQ(text(ID_TOOLS_BLANK_CHECK), QStringLiteral("&Blanck Check\tAlt+B"));
    EXPECT_EQ(text(ID_TOOLS_RESET), QStringLiteral("&Reset Kelda\tAlt-Z"));
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

    // A prompt replaces "Ready" and leaving the item brings it back.
    frame().statusBar()->showMessage(frame().action(ID_TOOLS_READ)->statusTip());
    EXPECT_TRUE(frame().messagePane()->isHidden());
    frame().statusBar()->clearMessage();
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
    app->view()->verticalScrollBar()->setValue(100);
    app->view()->cursorRow = 7;
    frame().runCommand(ID_DEVICE_AT89S53);
    EXPECT_EQ(image.deviceSize, 0x3000);
    EXPECT_EQ(image.buffer[0x123], 0x42);
    EXPECT_EQ(image.marks[0x123], MarkMismatch);
    EXPECT_EQ(app->view()->verticalScrollBar()->value(), 0);
    EXPECT_EQ(app->view()->verticalScrollBar()->maximum(), 0x300 - 1);
    EXPECT_EQ(app->view()->cursorRow, 7);
    EXPECT_TRUE(checked(ID_DEVICE_AT89S53));
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
