#include <CGotoDlg.h>
#include <CMainFrame.h>
#include <CVorlaneDoc.h>
#include <CVorlaneView.h>
#include <CommandId.h>
#include <EditCommands.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

TEST(EditCommandsTest, EditMenuCommandsRunTheViewHandlers)
{
    CVorlaneDoc document;
    document.OnNewDocument();
    CMainFrame frame(&document);
    auto* view = new CVorlaneView(&document);
    frame.setCentralWidget(view);
    for (int id : {ID_EDIT_COPY, ID_EDIT_FILL, ID_EDIT_GOTO, ID_EDIT_CLEAR_SELECTION})
        EXPECT_FALSE(frame.action(id)->isEnabled()) << id;
    BindEditCommands(frame, *view);
    for (int id : {ID_EDIT_COPY, ID_EDIT_FILL, ID_EDIT_GOTO, ID_EDIT_CLEAR_SELECTION})
        EXPECT_TRUE(frame.action(id)->isEnabled()) << id;
    view->OnInitialUpdate();
    frame.show();
    view->setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));

    document.image().marks[7] = MarkMismatch;
    QTest::keyClick(view, Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(document.image().marks[7], MarkNone) << "Ctrl+E clears the marks";
    EXPECT_EQ(document.image().buffer[7], 0xFF) << "and does not type";

    bool opened = false;
    QTimer poll;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* d = qobject_cast<CGotoDlg*>(w); d && d->isVisible()) {
                poll.stop();
                opened = true;
                QTest::keyClicks(d->addressEdit(), QStringLiteral("1234"));
                QTest::mouseClick(d->goButton(), Qt::LeftButton);
            }
        }
    });
    poll.start();
    QTest::keyClick(view, Qt::Key_G, Qt::ControlModifier);
    EXPECT_TRUE(opened) << "Ctrl+G opens Goto";
    EXPECT_EQ(view->cursorRow, 0x123);
    EXPECT_EQ(view->cursorColumn, 4);
}
