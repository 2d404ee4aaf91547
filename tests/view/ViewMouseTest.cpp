#include "EditFixture.h"

namespace {

using ViewMouseTest = EditFixture;

} // namespace

TEST_F(ViewMouseTest, HexCellsIncludeTheGapAfterThem)
{
    clickAt(QPoint(pixelX(hexColumn(4)), pixelY(2)));
    EXPECT_EQ(view->asciiPane, 0);
    EXPECT_EQ(cursor(), 0x24);
    clickAt(QPoint(pixelX(hexColumn(4) + 2), pixelY(2)));
    EXPECT_EQ(cursor(), 0x24) << "the gap column belongs to the cell before it";
    clickAt(QPoint(pixelX(53), pixelY(3)));
    EXPECT_EQ(view->asciiPane, 0);
    EXPECT_EQ(cursor(), 0x3F);
}

TEST_F(ViewMouseTest, AsciiCellsFromColumn54)
{
    clickAt(QPoint(54 * view->charWidth, pixelY(1)));
    EXPECT_EQ(view->asciiPane, 1);
    EXPECT_EQ(cursor(), 0x10);
    clickAt(QPoint(pixelX(69), pixelY(1)));
    EXPECT_EQ(cursor(), 0x1F);
}

TEST_F(ViewMouseTest, ClicksOnTheAddressTakeTheFirstHexCell)
{
    clickAt(QPoint(1, pixelY(5)));
    EXPECT_EQ(view->asciiPane, 0);
    EXPECT_EQ(view->cursorRow, 5);
    EXPECT_EQ(view->cursorColumn, 0);
    clickAt(QPoint(pixelX(4), pixelY(6)));
    EXPECT_EQ(cursor(), 0x60);
}

TEST_F(ViewMouseTest, ClicksRightOfTheAsciiPaneTakeItsLastCell)
{
    clickAt(QPoint(pixelX(72), pixelY(2)));
    EXPECT_EQ(view->asciiPane, 1);
    EXPECT_EQ(cursor(), 0x2F);
    clickAt(QPoint(view->viewport()->width() - 1, pixelY(0)));
    EXPECT_EQ(cursor(), 0x0F);
}

TEST_F(ViewMouseTest, ClicksBelowTheLastRowTakeTheLastRow)
{
    view->OnVScroll(CVorlaneView::Bottom);
    clickAt(QPoint(pixelX(hexColumn(7)), pixelY(4)));
    EXPECT_EQ(view->cursorRow, 0x2FF);
    EXPECT_EQ(view->cursorColumn, 7);
    clickAt(QPoint(pixelX(80), view->viewport()->height() - 1));
    EXPECT_EQ(cursor(), 0x2FFF);

    // Typing there stays inside the image.
    image().buffer[0x3000] = 0x33;
    QTest::keyClicks(view, QStringLiteral("abcdef"));
    EXPECT_EQ(image().buffer[0x2FFF], 'f');
    EXPECT_EQ(image().buffer[0x3000], 0x33);
}

TEST_F(ViewMouseTest, RowsCountFromTheFirstShownRow)
{
    view->verticalScrollBar()->setValue(0x100);
    clickAt(QPoint(pixelX(hexColumn(9)), pixelY(2)));
    EXPECT_EQ(cursor(), 0x1029);
}

TEST_F(ViewMouseTest, AClickClearsThePendingNibbleAndIsNoEdit)
{
    clickAt(QPoint(pixelX(hexColumn(0)), pixelY(0)));
    QTest::keyClicks(view, QStringLiteral("7"));
    ASSERT_EQ(view->lowNibblePending, 1);
    document->SetModifiedFlag(false);
    clickAt(QPoint(pixelX(hexColumn(1)), pixelY(0)));
    EXPECT_EQ(view->lowNibblePending, 0);
    EXPECT_FALSE(document->isModified());
    QTest::keyClicks(view, QStringLiteral("3"));
    EXPECT_EQ(image().buffer[0x01], 0x3F) << "the next digit is a high nibble again";
}

TEST_F(ViewMouseTest, OtherButtonsDoNotPlaceTheCursor)
{
    clickAt(QPoint(pixelX(hexColumn(3)), pixelY(3)), Qt::RightButton);
    clickAt(QPoint(pixelX(hexColumn(3)), pixelY(3)), Qt::MiddleButton);
    EXPECT_EQ(cursor(), 0);
    EXPECT_EQ(view->asciiPane, 1);
}

TEST_F(ViewMouseTest, AClickBeforeTheFirstPaintIsIgnored)
{
    CVorlaneView fresh(document.get());
    ASSERT_EQ(fresh.lineHeight, 0);
    fresh.OnLButtonDown(QPoint(100, 100));
    EXPECT_EQ(fresh.cursorRow, 0);
    EXPECT_EQ(fresh.cursorColumn, 0);
    EXPECT_EQ(fresh.asciiPane, 1);
}
