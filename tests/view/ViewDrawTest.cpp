#include "ViewFixture.h"

#include <QScrollBar>

namespace {

using ViewDrawTest = ViewFixture;

const QColor kWhite(255, 255, 255);
const QColor kRed(255, 0, 0);
const QColor kGrey(192, 192, 192);
const QColor kHexBlue(32, 32, 255);
const QColor kAsciiBlue(0, 0, 255);

} // namespace

TEST_F(ViewDrawTest, MeasuresTheFontAndRowsFromTheOuterHeight)
{
    ASSERT_GT(view->lineHeight, 0);
    ASSERT_GT(view->charWidth, 0);
    EXPECT_EQ(view->visibleRows(), view->height() / view->lineHeight);
    EXPECT_GT(view->height(), view->viewport()->height()) << "the outer height counts the frame";
    EXPECT_EQ(view->totalRows(), 0x300);
}

TEST_F(ViewDrawTest, RowTextAddressHexAndAscii)
{
    for (int i = 0; i < 16; ++i)
        image().buffer[0x10 + i] = static_cast<uint8_t>(0x41 + i);
    image().buffer[0x1D] = 0x7F;
    image().buffer[0x1E] = 0x1F;
    image().buffer[0x1F] = 0x80;
    paint();
    EXPECT_EQ(cell(1, 0, 6), expected(QStringLiteral("0010: ")));
    EXPECT_EQ(cell(1, hexColumn(0), 2), expected(QStringLiteral("41")));
    EXPECT_EQ(cell(1, hexColumn(15), 2), expected(QStringLiteral("80")));
    EXPECT_EQ(cell(1, asciiColumn(0), 1), expected(QStringLiteral("A")));
    EXPECT_NE(expected(QString(QChar(0x7F))), expected(QStringLiteral(".")));
    EXPECT_EQ(cell(1, asciiColumn(13), 1), expected(QString(QChar(0x7F)))) << "0x7F is drawn as itself";
    EXPECT_EQ(cell(1, asciiColumn(14), 1), expected(QStringLiteral(".")));
    EXPECT_EQ(cell(1, asciiColumn(15), 1), expected(QStringLiteral(".")));
    EXPECT_EQ(cell(2, 0, 6), expected(QStringLiteral("0020: ")));
}

TEST_F(ViewDrawTest, MarkColoursInBothPanes)
{
    image().marks[0x21] = MarkMismatch;
    image().marks[0x22] = MarkChanged;
    image().buffer[0x21] = 0x5A;
    view->asciiPane = 0;
    paint();
    EXPECT_EQ(background(2, hexColumn(1)), kRed);
    EXPECT_EQ(background(2, asciiColumn(1)), kRed);
    EXPECT_EQ(cell(2, hexColumn(1), 2), expected(QStringLiteral("5A"), kWhite, kRed));
    EXPECT_EQ(background(2, hexColumn(2)), kGrey);
    EXPECT_EQ(background(2, asciiColumn(2)), kGrey);
    EXPECT_EQ(cell(2, hexColumn(2), 2), expected(QStringLiteral("FF"), Qt::black, kGrey));
    EXPECT_EQ(background(2, hexColumn(3)), kWhite);
    EXPECT_EQ(background(2, hexColumn(1) + 2), kWhite) << "the gap after a cell is not painted";
}

TEST_F(ViewDrawTest, CursorHighlightsOnlyTheActivePane)
{
    view->cursorRow = 1;
    view->cursorColumn = 4;
    image().marks[0x14] = MarkMismatch;
    view->asciiPane = 1;
    paint();
    EXPECT_EQ(background(1, asciiColumn(4)), kAsciiBlue);
    EXPECT_EQ(background(1, hexColumn(4)), kRed) << "the other pane shows the mark";
    EXPECT_EQ(cell(1, asciiColumn(4), 1), expected(QStringLiteral("."), kWhite, kAsciiBlue));

    view->asciiPane = 0;
    paint();
    EXPECT_EQ(background(1, hexColumn(4)), kHexBlue);
    EXPECT_EQ(background(1, asciiColumn(4)), kRed);
    EXPECT_EQ(cell(1, hexColumn(4), 2), expected(QStringLiteral("FF"), kWhite, kHexBlue));
}

TEST_F(ViewDrawTest, CursorOutsideTheImageHighlightsNothing)
{
    view->asciiPane = 0;
    view->cursorRow = 0;
    view->cursorColumn = 16;
    paint();
    for (int c = 0; c < 16; ++c)
        EXPECT_EQ(background(0, hexColumn(c)), kWhite);
    EXPECT_EQ(background(1, hexColumn(0)), kWhite) << "column 16 is not the next row";
}

TEST_F(ViewDrawTest, LastRowAndBlankRowsBelowIt)
{
    view->OnVScroll(CVorlaneView::Bottom);
    EXPECT_EQ(view->firstRow(), 0x2FF);
    paint();
    EXPECT_EQ(cell(0, 0, 6), expected(QStringLiteral("2FF0: ")));
    EXPECT_EQ(cell(1, 0, 70), expected(QString(70, QLatin1Char(' '))));
    EXPECT_EQ(background(1, 60), kWhite);
}

TEST_F(ViewDrawTest, ScrollTable)
{
    const int t = view->totalRows();
    auto scroll = [&](int from, int request, int thumb = 0) {
        view->verticalScrollBar()->setValue(from);
        view->OnVScroll(request, thumb);
        return view->firstRow();
    };
    EXPECT_EQ(scroll(0, CVorlaneView::LineUp), 0);
    EXPECT_EQ(scroll(5, CVorlaneView::LineUp), 4);
    EXPECT_EQ(scroll(t - 1, CVorlaneView::LineDown), t - 1);
    EXPECT_EQ(scroll(t - 3, CVorlaneView::PageDown), t - 1);
    EXPECT_EQ(scroll(10, CVorlaneView::PageDown), 14);
    EXPECT_EQ(scroll(2, CVorlaneView::PageUp), 0);
    EXPECT_EQ(scroll(9, CVorlaneView::PageUp), 5);
    EXPECT_EQ(scroll(9, CVorlaneView::ThumbTrack, 300), 300);
    EXPECT_EQ(scroll(9, CVorlaneView::ThumbPosition, 42), 42);
    EXPECT_EQ(scroll(9, CVorlaneView::Top), 0);
    EXPECT_EQ(scroll(9, CVorlaneView::Bottom), t - 1);
    EXPECT_EQ(scroll(9, CVorlaneView::EndScroll), 9);
}

TEST_F(ViewDrawTest, ScrollBarClicksFollowTheTable)
{
    QScrollBar* bar = view->verticalScrollBar();
    bar->setValue(10);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(bar->value(), 14);
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(bar->value(), 13);
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(bar->value(), view->totalRows() - 1);
}

TEST_F(ViewDrawTest, ScrolledRowsShowTheirImageRows)
{
    image().buffer[0x1230] = 0xAB;
    view->verticalScrollBar()->setValue(0x123);
    paint();
    EXPECT_EQ(cell(0, 0, 6), expected(QStringLiteral("1230: ")));
    EXPECT_EQ(cell(0, hexColumn(0), 2), expected(QStringLiteral("AB")));
}
