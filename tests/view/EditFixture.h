#pragma once

#include "ViewFixture.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <functional>

// The view fixture with real input: clicks on the viewport, key presses with
// the text a keyboard layout gives, and the edit windows run modally.
class EditFixture : public ViewFixture {
protected:
    void SetUp() override
    {
        ViewFixture::SetUp();
        ASSERT_GT(view->lineHeight, 0);
        ASSERT_GT(view->charWidth, 0);
    }

    int rows() const { return view->visibleRows(); }
    int cursor() const { return view->cursorRow * 16 + view->cursorColumn; }
    int pixelX(int characterColumn) const { return characterColumn * view->charWidth + view->charWidth / 2; }
    int pixelY(int screenRow) const { return screenRow * view->lineHeight + view->lineHeight / 2; }

    void clickAt(QPoint point, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(view->viewport(), button, Qt::NoModifier, point);
    }
    // Scrolls the byte's row to the top when it is off screen, then clicks
    // the byte's cell in the hex (0) or ASCII (1) pane.
    void clickByte(int address, int pane)
    {
        const int row = address / 16;
        if (row < view->firstRow() || row > view->firstRow() + rows() - 1)
            view->verticalScrollBar()->setValue(row);
        const int column = pane ? asciiColumn(address % 16) : hexColumn(address % 16);
        clickAt(QPoint(pixelX(column), pixelY(row - view->firstRow())));
    }

    void key(Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) { QTest::keyClick(view, k, modifiers); }
    // A key whose text the test names, as a layout or Ctrl gives it.
    void keyWithText(Qt::Key k, const QString& text, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::sendKeyEvent(QTest::Click, view, k, text, modifiers);
    }
    void type(const char* text) { QTest::keyClicks(view, QLatin1String(text)); }

    // Runs a view command that opens a window of type Dialog and calls act
    // on it while it is up. (The command is a callable rather than a member
    // pointer: g++ 12 with -fsanitize=undefined miscompiles calls through
    // member pointers.) A window act leaves open is then cancelled;
    // returns whether that was needed.
    template <class Dialog>
    bool runDialog(const std::function<void()>& command, const std::function<void(Dialog&)>& act)
    {
        bool seen = false;
        bool leftOpen = false;
        QTimer poll;
        poll.setInterval(1);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            Dialog* dialog = openDialog<Dialog>();
            if (!dialog)
                return;
            poll.stop();
            seen = true;
            act(*dialog);
            if (dialog->isVisible()) {
                leftOpen = true;
                dialog->reject();
            }
        });
        poll.start();
        command();
        poll.stop();
        EXPECT_TRUE(seen);
        return leftOpen;
    }

    template <class Dialog>
    static Dialog* openDialog()
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<Dialog*>(w); d && d->isVisible())
                return d;
        return nullptr;
    }
};
