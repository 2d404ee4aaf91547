#include "EditFixture.h"

namespace {

using ViewKeyboardTest = EditFixture;

const QColor kGrey(192, 192, 192);
const QColor kHexBlue(32, 32, 255);
const QColor kAsciiBlue(0, 0, 255);

} // namespace

TEST_F(ViewKeyboardTest, HexDigitsReplaceTheHighThenTheLowNibble)
{
    image().buffer[0x23] = 0x00;
    clickByte(0x23, 0);
    ASSERT_EQ(view->asciiPane, 0);
    ASSERT_EQ(cursor(), 0x23);

    type("a");
    EXPECT_EQ(image().buffer[0x23], 0xA0) << "lower case acts as upper case";
    EXPECT_EQ(image().marks[0x23], MarkChanged);
    EXPECT_EQ(cursor(), 0x23);
    EXPECT_EQ(view->lowNibblePending, 1);
    EXPECT_TRUE(document->isModified());

    type("5");
    EXPECT_EQ(image().buffer[0x23], 0xA5);
    EXPECT_EQ(cursor(), 0x24);
    EXPECT_EQ(view->lowNibblePending, 0);
    EXPECT_EQ(image().buffer[0x24], 0xFF);
    EXPECT_EQ(image().marks[0x24], MarkNone);
}

TEST_F(ViewKeyboardTest, HighNibbleKeepsTheLowOne)
{
    image().buffer[0x40] = 0x3C;
    clickByte(0x40, 0);
    type("7");
    EXPECT_EQ(image().buffer[0x40], 0x7C);
    type("E");
    EXPECT_EQ(image().buffer[0x40], 0x7E);
}

TEST_F(ViewKeyboardTest, NonHexCharactersChangeNothingButFlagTheDocument)
{
    image().buffer[0x10] = 0x12;
    clickByte(0x10, 0);
    type("G");
    type(" ");
    EXPECT_EQ(image().buffer[0x10], 0x12);
    EXPECT_EQ(image().marks[0x10], MarkNone);
    EXPECT_EQ(cursor(), 0x10);
    EXPECT_EQ(view->lowNibblePending, 0);
    EXPECT_TRUE(document->isModified());

    type("4");
    type("z");
    EXPECT_EQ(view->lowNibblePending, 1) << "a non-digit leaves the pending nibble";
    type("9");
    EXPECT_EQ(image().buffer[0x10], 0x49);
}

TEST_F(ViewKeyboardTest, SecondDigitAtTheLastByteStaysOnTheLastRow)
{
    view->OnVScroll(CVorlaneView::Bottom);
    clickByte(0x2FFF, 0);
    ASSERT_EQ(cursor(), 0x2FFF);
    type("12");
    EXPECT_EQ(image().buffer[0x2FFF], 0x12);
    EXPECT_EQ(view->cursorRow, 0x2FF);
    EXPECT_EQ(view->cursorColumn, 0);
}

TEST_F(ViewKeyboardTest, HexTypingAcrossARowEndScrollsWhenTheRowLeavesTheScreen)
{
    const int bottom = rows() - 1;
    clickByte(bottom * 16 + 15, 0);
    type("00");
    EXPECT_EQ(cursor(), (bottom + 1) * 16);
    EXPECT_EQ(view->firstRow(), 1) << "the cursor row became the bottom row";
}

TEST_F(ViewKeyboardTest, AsciiTypingRunsAcrossARowEndWithoutScrolling)
{
    const int bottom = rows() - 1;
    const int a = bottom * 16 + 15;
    clickByte(a, 1);
    ASSERT_EQ(view->asciiPane, 1);
    type("AB");
    EXPECT_EQ(image().buffer[a], 'A');
    EXPECT_EQ(image().buffer[a + 1], 'B');
    EXPECT_EQ(image().marks[a + 1], MarkChanged);
    EXPECT_EQ(view->cursorRow, bottom + 1);
    EXPECT_EQ(view->cursorColumn, 1);
    EXPECT_EQ(view->firstRow(), 0) << "typing runs below the window";
}

TEST_F(ViewKeyboardTest, AsciiTypingStopsOnTheLastByte)
{
    image().buffer[0x3000] = 0x5A;
    image().marks[0x3000] = 7;
    view->OnVScroll(CVorlaneView::Bottom);
    clickByte(0x2FFE, 1);
    type("XYZ");
    EXPECT_EQ(image().buffer[0x2FFE], 'X');
    EXPECT_EQ(image().buffer[0x2FFF], 'Z') << "the last byte takes the rest";
    EXPECT_EQ(cursor(), 0x2FFF);
    EXPECT_EQ(image().buffer[0x3000], 0x5A);
    EXPECT_EQ(image().marks[0x3000], 7);
}

TEST_F(ViewKeyboardTest, AsciiPaneStoresControlCodes)
{
    clickByte(0x50, 1);
    key(Qt::Key_Backspace);
    EXPECT_EQ(image().buffer[0x50], 0x08);
    EXPECT_EQ(cursor(), 0x51);
    keyWithText(Qt::Key_A, QString(QChar(0x01)), Qt::ControlModifier);
    EXPECT_EQ(image().buffer[0x51], 0x01);
    keyWithText(Qt::Key_Z, QString(QChar(0x1A)), Qt::ControlModifier);
    EXPECT_EQ(image().buffer[0x52], 0x1A);
    keyWithText(Qt::Key_Eacute, QString(QChar(0xE9)));
    EXPECT_EQ(image().buffer[0x53], 0xE9) << "Latin-1 characters store their code";
    EXPECT_EQ(cursor(), 0x54);
    EXPECT_EQ(image().marks[0x53], MarkChanged);
}

TEST_F(ViewKeyboardTest, EscapeDoesNothing)
{
    clickByte(0x30, 1);
    key(Qt::Key_Escape);
    clickByte(0x30, 0);
    type("1");
    document->SetModifiedFlag(false);
    key(Qt::Key_Escape);
    EXPECT_FALSE(document->isModified());
    EXPECT_EQ(cursor(), 0x30);
    EXPECT_EQ(view->lowNibblePending, 1);
    EXPECT_EQ(image().buffer[0x30], 0x1F);
    EXPECT_EQ(image().buffer[0x31], 0xFF);
}

TEST_F(ViewKeyboardTest, TabEnterAndBacktabSwitchPanesOnTheSameByte)
{
    clickByte(0x45, 0);
    type("3");
    ASSERT_EQ(view->lowNibblePending, 1);
    key(Qt::Key_Tab);
    EXPECT_EQ(view->asciiPane, 1) << "Tab reaches the view, not the focus chain";
    EXPECT_EQ(view->lowNibblePending, 0);
    EXPECT_EQ(cursor(), 0x45);
    key(Qt::Key_Return);
    EXPECT_EQ(view->asciiPane, 0);
    key(Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(view->asciiPane, 1);
    key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(view->asciiPane, 0);
    EXPECT_EQ(cursor(), 0x45);
    document->SetModifiedFlag(false);
    key(Qt::Key_Tab);
    EXPECT_FALSE(document->isModified()) << "switching panes is no edit";
}

TEST_F(ViewKeyboardTest, DownAndUpStopAtTheEnds)
{
    clickByte(0x05, 0);
    key(Qt::Key_Up);
    EXPECT_EQ(cursor(), 0x05);
    view->OnVScroll(CVorlaneView::Bottom);
    clickByte(0x2FF7, 1);
    key(Qt::Key_Down);
    EXPECT_EQ(cursor(), 0x2FF7);
    EXPECT_EQ(view->firstRow(), 0x2FF);
}

TEST_F(ViewKeyboardTest, LeftAtZeroAndRightAtTheLastByteStayOnTheirRow)
{
    clickByte(0, 0);
    key(Qt::Key_Left);
    EXPECT_EQ(cursor(), 0x0F);
    view->OnVScroll(CVorlaneView::Bottom);
    clickByte(0x2FFF, 0);
    key(Qt::Key_Right);
    EXPECT_EQ(cursor(), 0x2FF0);
}

TEST_F(ViewKeyboardTest, ArrowsWrapAcrossRowsAndIgnoreShiftAndCtrl)
{
    clickByte(0x2F, 0);
    key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(cursor(), 0x30);
    key(Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(cursor(), 0x2F);
    key(Qt::Key_Down, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(cursor(), 0x3F);
    key(Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(cursor(), 0x2F);
    key(Qt::Key_Left, Qt::KeypadModifier);
    EXPECT_EQ(cursor(), 0x2E);
    EXPECT_EQ(view->firstRow(), 0);
    EXPECT_FALSE(document->isModified());
}

TEST_F(ViewKeyboardTest, DigitAfterAnArrowReplacesTheLowNibbleOfTheNewByte)
{
    image().buffer[0x60] = 0x11;
    image().buffer[0x61] = 0x22;
    clickByte(0x60, 0);
    type("9");
    key(Qt::Key_Right);
    EXPECT_EQ(view->lowNibblePending, 1);
    type("C");
    EXPECT_EQ(image().buffer[0x60], 0x91);
    EXPECT_EQ(image().buffer[0x61], 0x2C);
    EXPECT_EQ(cursor(), 0x62);
}

TEST_F(ViewKeyboardTest, EditingKeysDoNothing)
{
    view->verticalScrollBar()->setValue(40);
    for (int pane : {0, 1}) {
        clickByte(0x2A5, pane);
        const DeviceImage before = image();
        const int top = view->firstRow();
        for (Qt::Key k : {Qt::Key_Home, Qt::Key_End, Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Delete, Qt::Key_Insert,
                          Qt::Key_F5, Qt::Key_Shift, Qt::Key_Control}) {
            key(k);
            key(k, Qt::ShiftModifier);
        }
        keyWithText(Qt::Key_Delete, QString(QChar(0x7F)));
        EXPECT_EQ(cursor(), 0x2A5);
        EXPECT_EQ(view->firstRow(), top) << "page keys do not scroll";
        EXPECT_EQ(image().buffer, before.buffer);
        EXPECT_EQ(image().marks, before.marks);
        EXPECT_FALSE(document->isModified());
    }
}

TEST_F(ViewKeyboardTest, KeysWithoutOneLatin1CharacterDoNothing)
{
    clickByte(0x70, 1);
    keyWithText(Qt::Key_E, QStringLiteral("\u00B4e"));
    keyWithText(Qt::Key_E, QStringLiteral("\u20AC"));
    keyWithText(Qt::Key_Q, QStringLiteral("q"), Qt::AltModifier);
    EXPECT_EQ(image().buffer[0x70], 0xFF);
    EXPECT_EQ(cursor(), 0x70);
    EXPECT_FALSE(document->isModified());
    keyWithText(Qt::Key_Q, QStringLiteral("@"), Qt::AltModifier | Qt::ControlModifier);
    EXPECT_EQ(image().buffer[0x70], '@') << "AltGr as Ctrl+Alt still types";
}

TEST_F(ViewKeyboardTest, DownScrollsOnlyWhenTheCursorRowIsOffScreen)
{
    clickByte(3 * 16, 0);
    key(Qt::Key_Down);
    EXPECT_EQ(view->cursorRow, 4);
    EXPECT_EQ(view->firstRow(), 0);

    clickByte((rows() - 2) * 16, 0);
    key(Qt::Key_Down);
    EXPECT_EQ(view->firstRow(), 0) << "the partly shown bottom row counts as on screen";
    key(Qt::Key_Down);
    EXPECT_EQ(view->cursorRow, rows());
    EXPECT_EQ(view->firstRow(), 1);

    view->verticalScrollBar()->setValue(200);
    clickByte(200 * 16 + 3, 0);
    view->verticalScrollBar()->setValue(0);
    key(Qt::Key_Down);
    EXPECT_EQ(view->cursorRow, 201);
    EXPECT_EQ(view->firstRow(), 201 - (rows() - 1)) << "the cursor row becomes the bottom row";
}

TEST_F(ViewKeyboardTest, UpScrollsTheCursorRowToTheTop)
{
    view->verticalScrollBar()->setValue(200);
    clickByte(200 * 16 + 3, 0);
    key(Qt::Key_Up);
    EXPECT_EQ(view->cursorRow, 199);
    EXPECT_EQ(view->firstRow(), 199);
    key(Qt::Key_Down);
    EXPECT_EQ(view->firstRow(), 199);

    view->verticalScrollBar()->setValue(0);
    key(Qt::Key_Up);
    EXPECT_EQ(view->cursorRow, 199);
    EXPECT_EQ(view->firstRow(), 199);
}

TEST_F(ViewKeyboardTest, LeftAndRightScrollOnlyAcrossARowEnd)
{
    view->verticalScrollBar()->setValue(100);
    clickByte(100 * 16 + 5, 1);
    view->verticalScrollBar()->setValue(0);
    key(Qt::Key_Right);
    key(Qt::Key_Left);
    EXPECT_EQ(view->firstRow(), 0) << "within a row nothing scrolls";
    for (int i = 0; i < 11; ++i)
        key(Qt::Key_Right);
    EXPECT_EQ(cursor(), 101 * 16);
    EXPECT_EQ(view->firstRow(), 101 - (rows() - 1));

    view->verticalScrollBar()->setValue(0);
    key(Qt::Key_Left);
    EXPECT_EQ(cursor(), 100 * 16 + 15);
    EXPECT_EQ(view->firstRow(), 100);
}

TEST_F(ViewKeyboardTest, ScrollingStopsAtTheRangeEnds)
{
    clickByte(2 * 16, 0);
    view->verticalScrollBar()->setValue(100);
    key(Qt::Key_Down);
    EXPECT_EQ(view->cursorRow, 3);
    EXPECT_EQ(view->firstRow(), 0) << "as far as the range allows";

    view->OnVScroll(CVorlaneView::Bottom);
    clickByte(0x2FF3, 0);
    view->verticalScrollBar()->setValue(0);
    key(Qt::Key_Down);
    EXPECT_EQ(view->cursorRow, 0x2FF);
    EXPECT_EQ(view->firstRow(), 0x2FF - (rows() - 1));
}

TEST_F(ViewKeyboardTest, ChangedBytesShowGreyAndTheCursorBlueInItsPane)
{
    clickByte(0x12, 0);
    type("4142");
    paint();
    EXPECT_EQ(background(1, hexColumn(2)), kGrey);
    EXPECT_EQ(background(1, asciiColumn(3)), kGrey);
    EXPECT_EQ(background(1, hexColumn(4)), kHexBlue);
    EXPECT_EQ(cell(1, asciiColumn(2), 2), expected(QStringLiteral("AB"), Qt::black, kGrey));
    key(Qt::Key_Tab);
    paint();
    EXPECT_EQ(background(1, asciiColumn(4)), kAsciiBlue);
    EXPECT_EQ(background(1, hexColumn(4)), QColor(Qt::white));
}
