#include "DialogControls.h"
#include "EditFixture.h"

#include <algorithm>

namespace {

class ViewCommandsTest : public EditFixture {
protected:
    void SetUp() override
    {
        EditFixture::SetUp();
        for (int a = 0; a < 0x3000; ++a)
            image().buffer[a] = static_cast<uint8_t>(a * 7 + 1);
        for (int a = 0x3000; a < kImageCapacity; ++a) {
            image().buffer[a] = 0xEE;
            image().marks[a] = 0x55;
        }
    }

    // Types the texts into the window's fields, then presses its confirm
    // button; returns whether the window stayed open, and then cancels it.
    template <class Dialog>
    bool submit(const std::function<void()>& command, std::initializer_list<const char*> texts)
    {
        bool open = false;
        runDialog<Dialog>(command, [&](Dialog& d) {
            const std::vector<QLineEdit*> fields = Fields(d);
            auto text = texts.begin();
            for (QLineEdit* field : fields) {
                // QTest types ASCII only; other text is pasted in.
                const QString t = QString::fromUtf8(*text++);
                if (std::all_of(t.begin(), t.end(), [](QChar c) { return c.unicode() < 0x80; }))
                    QTest::keyClicks(field, t);
                else
                    field->setText(t);
            }
            QTest::mouseClick(ConfirmButton(d), Qt::LeftButton);
            open = d.isVisible();
            if (open)
                QTest::mouseClick(CancelButton(d), Qt::LeftButton);
        });
        return open;
    }
    bool fill(const char* start, const char* end, const char* value)
    {
        return submit<CFillDlg>([this] { view->OnEditFill(); }, {start, end, value});
    }
    bool copy(const char* start, const char* end, const char* destination)
    {
        return submit<CCopyDlg>([this] { view->OnEditCopy(); }, {start, end, destination});
    }
    void goTo(const char* address) { submit<CGotoDlg>([this] { view->OnEditGoto(); }, {address}); }

    void expectSpareUntouched()
    {
        for (int a = 0x3000; a < kImageCapacity; ++a) {
            ASSERT_EQ(image().buffer[a], 0xEE) << a;
            ASSERT_EQ(image().marks[a], 0x55) << a;
        }
    }
    static uint8_t original(int a) { return static_cast<uint8_t>(a * 7 + 1); }
};

} // namespace

TEST_F(ViewCommandsTest, FillHexValueOverARangeKeepsTheMarks)
{
    image().marks[0x15] = MarkMismatch;
    image().marks[0x16] = MarkChanged;
    EXPECT_FALSE(fill("10", "1F", "$41"));
    for (int a = 0x10; a <= 0x1F; ++a)
        EXPECT_EQ(image().buffer[a], 0x41) << a;
    EXPECT_EQ(image().buffer[0x0F], original(0x0F));
    EXPECT_EQ(image().buffer[0x20], original(0x20));
    EXPECT_EQ(image().marks[0x15], MarkMismatch);
    EXPECT_EQ(image().marks[0x16], MarkChanged);
    EXPECT_EQ(image().marks[0x17], MarkNone);
    EXPECT_TRUE(document->isModified());
}

TEST_F(ViewCommandsTest, FillValueNotations)
{
    const struct {
        const char* text;
        uint8_t byte;
    } cases[] = {{"'A", 0x41},  {"'A'", 0x41},  {"65", 0x41},   {"$1FF", 0xFF}, {"256", 0x00}, {"-1", 0xFF},
                 {"'", 0x00},    {"'Abc", 0x41}, {"$ff", 0xFF},  {" 12x", 0x0C}, {"+300", 0x2C}, {"$-2", 0xFE},
                 {"99999999999", 0xFF}};
    for (const auto& c : cases) {
        EXPECT_FALSE(fill("20", "22", c.text)) << c.text;
        EXPECT_EQ(image().buffer[0x20], c.byte) << c.text;
        EXPECT_EQ(image().buffer[0x22], c.byte) << c.text;
        EXPECT_EQ(image().buffer[0x23], original(0x23)) << c.text;
    }
}

TEST_F(ViewCommandsTest, FillStartAtTheLastAddressFillsFromZero)
{
    EXPECT_FALSE(fill("2FFF", "3000", "$5A"));
    EXPECT_EQ(image().buffer[0], 0x5A);
    EXPECT_EQ(image().buffer[0x1800], 0x5A);
    EXPECT_EQ(image().buffer[0x2FFF], 0x5A);
    expectSpareUntouched();
}

TEST_F(ViewCommandsTest, FillEndsAboveTheDeviceStopAtItsLastByte)
{
    EXPECT_FALSE(fill("2FF0", "FFFF", "1"));
    EXPECT_EQ(image().buffer[0x2FEF], original(0x2FEF));
    EXPECT_EQ(image().buffer[0x2FF0], 1);
    EXPECT_EQ(image().buffer[0x2FFF], 1);
    EXPECT_FALSE(fill("10", "FFFFFFFF", "2")) << "a negative end";
    EXPECT_EQ(image().buffer[0x2FFF], 2);
    EXPECT_EQ(image().buffer[0x0F], original(0x0F));
    expectSpareUntouched();
}

TEST_F(ViewCommandsTest, FillWithEmptyOrNonHexRangeFieldsTakesTheWholeDevice)
{
    EXPECT_FALSE(fill("", "", "7"));
    EXPECT_EQ(image().buffer[0], 7);
    EXPECT_EQ(image().buffer[0x2FFF], 7);
    EXPECT_FALSE(fill("xyz", "-", "8"));
    EXPECT_EQ(image().buffer[0], 8);
    EXPECT_EQ(image().buffer[0x2FFF], 8);
    expectSpareUntouched();
}

TEST_F(ViewCommandsTest, FillEndBelowStartFillsNothing)
{
    EXPECT_FALSE(fill("30", "2F", "0"));
    EXPECT_EQ(image().buffer[0x2F], original(0x2F));
    EXPECT_EQ(image().buffer[0x30], original(0x30));
}

TEST_F(ViewCommandsTest, FillWithoutAValueKeepsTheWindowOpen)
{
    for (const char* value : {"", "$", "$g", "abc", "-", "'\u20AC"}) {
        document->SetModifiedFlag(false);
        EXPECT_TRUE(fill("0", "10", value)) << value;
        EXPECT_EQ(image().buffer[0], original(0)) << value;
        EXPECT_TRUE(document->isModified()) << "flagged however the window closed";
    }
}

TEST_F(ViewCommandsTest, FillEnterPressesFillAndCancelFillsNothing)
{
    runDialog<CFillDlg>([this] { view->OnEditFill(); }, [](CFillDlg& d) {
        QTest::keyClicks(d.startEdit(), QStringLiteral("40"));
        QTest::keyClicks(d.endEdit(), QStringLiteral("41"));
        QTest::keyClicks(d.valueEdit(), QStringLiteral("$99"));
        QTest::keyClick(d.valueEdit(), Qt::Key_Return);
    });
    EXPECT_EQ(image().buffer[0x41], 0x99);

    runDialog<CFillDlg>([this] { view->OnEditFill(); }, [](CFillDlg& d) {
        QTest::keyClicks(d.valueEdit(), QStringLiteral("$11"));
        QTest::keyClick(d.valueEdit(), Qt::Key_Escape);
    });
    EXPECT_EQ(image().buffer[0], original(0));
}

TEST_F(ViewCommandsTest, CopyUpwardRepeatsTheFirstBytes)
{
    for (int a = 0; a < 10; ++a)
        image().buffer[a] = static_cast<uint8_t>(a + 1);
    EXPECT_FALSE(copy("0", "7", "2"));
    const uint8_t expected[] = {1, 2, 1, 2, 1, 2, 1, 2, 1, 2};
    for (int a = 0; a < 10; ++a)
        EXPECT_EQ(image().buffer[a], expected[a]) << a;
    EXPECT_EQ(image().buffer[10], original(10));
    EXPECT_TRUE(document->isModified());
}

TEST_F(ViewCommandsTest, CopyDownwardOverlapCopiesCorrectly)
{
    EXPECT_FALSE(copy("4", "B", "2"));
    for (int a = 2; a <= 9; ++a)
        EXPECT_EQ(image().buffer[a], original(a + 2)) << a;
    EXPECT_EQ(image().buffer[0x0A], original(0x0A));
    EXPECT_EQ(image().buffer[1], original(1));
    EXPECT_EQ(image().marks[2], MarkNone) << "copy sets no marks";
}

TEST_F(ViewCommandsTest, CopyStopsAtTheEndOfTheImage)
{
    EXPECT_FALSE(copy("0", "0F", "2FF8"));
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(image().buffer[0x2FF8 + i], original(i));
    EXPECT_EQ(image().buffer[0x2FF7], original(0x2FF7));
    expectSpareUntouched();
}

TEST_F(ViewCommandsTest, CopyToANegativeDestinationWritesOnlyInsideTheImage)
{
    EXPECT_FALSE(copy("0", "7", "FFFFFFFC"));
    for (int a = 0; a < 4; ++a)
        EXPECT_EQ(image().buffer[a], original(a + 4)) << a;
    EXPECT_EQ(image().buffer[4], original(4));
    EXPECT_FALSE(copy("0", "7", "80000000"));
    EXPECT_EQ(image().buffer[0], original(4));
    EXPECT_FALSE(copy("0", "", "7FFFFFFF")) << "far past the end: nothing";
    EXPECT_EQ(image().buffer[0x2FFF], original(0x2FFF));
    expectSpareUntouched();
}

TEST_F(ViewCommandsTest, CopyWithEmptyRangeFieldsCopiesTheWholeDevice)
{
    EXPECT_FALSE(copy("", "", "1000"));
    EXPECT_EQ(image().buffer[0x1000], original(0));
    EXPECT_EQ(image().buffer[0x2FFF], original(0x1FFF));
    expectSpareUntouched();
}

TEST_F(ViewCommandsTest, CopyWithoutADestinationKeepsTheWindowOpenUntilExit)
{
    for (const char* destination : {"", "zz", "-"}) {
        document->SetModifiedFlag(false);
        EXPECT_TRUE(copy("0", "7", destination)) << destination;
        EXPECT_EQ(image().buffer[0], original(0));
        EXPECT_TRUE(document->isModified()) << "flagged however the window closed";
    }
    const bool leftOpen = runDialog<CCopyDlg>([this] { view->OnEditCopy(); }, [](CCopyDlg& d) {
        QTest::mouseClick(d.copyButton(), Qt::LeftButton);
        QTest::mouseClick(d.exitButton(), Qt::LeftButton);
    });
    EXPECT_FALSE(leftOpen) << "Exit closes the window";
}

TEST_F(ViewCommandsTest, CopyEnterPressesCopy)
{
    runDialog<CCopyDlg>([this] { view->OnEditCopy(); }, [](CCopyDlg& d) {
        QTest::keyClicks(d.startEdit(), QStringLiteral("0"));
        QTest::keyClicks(d.endEdit(), QStringLiteral("0"));
        QTest::keyClicks(d.destinationEdit(), QStringLiteral("100"));
        QTest::keyClick(d.destinationEdit(), Qt::Key_Return);
    });
    EXPECT_EQ(image().buffer[0x100], original(0));
    EXPECT_EQ(image().buffer[0x101], original(0x101));
}

TEST_F(ViewCommandsTest, GotoPutsTheRowOnTopAndTheCursorOnTheColumn)
{
    view->asciiPane = 0;
    goTo("1234");
    EXPECT_EQ(view->firstRow(), 0x123);
    EXPECT_EQ(view->cursorRow, 0x123);
    EXPECT_EQ(view->cursorColumn, 4);
    EXPECT_EQ(view->asciiPane, 0);
    EXPECT_FALSE(document->isModified());
    paint();
    EXPECT_EQ(background(0, hexColumn(4)), QColor(32, 32, 255));
}

TEST_F(ViewCommandsTest, GotoTheLastByteShowsBlankRowsBelow)
{
    QTest::keyClicks(view, QStringLiteral("5"));
    view->asciiPane = 0;
    goTo("2FFF");
    EXPECT_EQ(view->firstRow(), 0x2FF);
    EXPECT_EQ(cursor(), 0x2FFF);
    EXPECT_EQ(view->lowNibblePending, 0) << "left as it was";
    paint();
    EXPECT_EQ(cell(1, 0, 70), expected(QString(70, QLatin1Char(' '))));
}

TEST_F(ViewCommandsTest, GotoPastTheImageGoesToTheLastByte)
{
    goTo("3005");
    EXPECT_EQ(cursor(), 0x2FFF);
    EXPECT_EQ(view->firstRow(), 0x2FF);
    goTo("7FFFFFFF");
    EXPECT_EQ(cursor(), 0x2FFF);
}

TEST_F(ViewCommandsTest, GotoWithoutAnAddressChangesNothing)
{
    view->verticalScrollBar()->setValue(0x40);
    clickByte(0x405, 1);
    for (const char* text : {"", "xyz", "80000000", "-10"}) {
        goTo(text);
        EXPECT_EQ(view->firstRow(), 0x40) << text;
        EXPECT_EQ(cursor(), 0x405) << text;
    }
    runDialog<CGotoDlg>([this] { view->OnEditGoto(); }, [](CGotoDlg& d) {
        QTest::keyClicks(d.addressEdit(), QStringLiteral("100"));
        QTest::mouseClick(d.cancelButton(), Qt::LeftButton);
    });
    runDialog<CGotoDlg>([this] { view->OnEditGoto(); }, [](CGotoDlg& d) {
        QTest::keyClicks(d.addressEdit(), QStringLiteral("100"));
        QTest::keyClick(d.addressEdit(), Qt::Key_Escape);
    });
    runDialog<CGotoDlg>([this] { view->OnEditGoto(); }, [](CGotoDlg& d) {
        QTest::keyClicks(d.addressEdit(), QStringLiteral("100"));
        d.close();
    });
    EXPECT_EQ(cursor(), 0x405);
    EXPECT_FALSE(document->isModified());
}

TEST_F(ViewCommandsTest, GotoEnterGoesAndAFocusedCancelCancels)
{
    runDialog<CGotoDlg>([this] { view->OnEditGoto(); }, [](CGotoDlg& d) {
        QTest::keyClicks(d.addressEdit(), QStringLiteral("0"));
        QTest::keyClick(d.addressEdit(), Qt::Key_Return);
    });
    EXPECT_EQ(cursor(), 0);
    EXPECT_EQ(view->firstRow(), 0);
    runDialog<CGotoDlg>([this] { view->OnEditGoto(); }, [](CGotoDlg& d) {
        QTest::keyClicks(d.addressEdit(), QStringLiteral("20"));
        d.cancelButton()->setFocus();
        QTest::keyClick(d.cancelButton(), Qt::Key_Return);
    });
    EXPECT_EQ(cursor(), 0);
}

TEST_F(ViewCommandsTest, ClearSelectionRemovesBothMarksWithoutFlagging)
{
    image().marks[0x11] = MarkMismatch;
    image().marks[0x12] = MarkChanged;
    image().marks[0x2FFF] = MarkChanged;
    paint();
    ASSERT_EQ(background(1, hexColumn(1)), QColor(255, 0, 0));
    view->OnEditClearSelection();
    EXPECT_EQ(image().marks[0x11], MarkNone);
    EXPECT_EQ(image().marks[0x12], MarkNone);
    EXPECT_EQ(image().marks[0x2FFF], MarkNone);
    EXPECT_FALSE(document->isModified());
    expectSpareUntouched();
    paint();
    EXPECT_EQ(background(1, hexColumn(1)), QColor(Qt::white));
    EXPECT_EQ(background(1, hexColumn(2)), QColor(Qt::white));
}

TEST_F(ViewCommandsTest, CopyAndFillTouchNoChipCopyOrRange)
{
    image().chipCache[5] = 0x12;
    image().dataStart = 0x100;
    image().dataEnd = 0x200;
    fill("0", "10", "3");
    copy("0", "10", "20");
    goTo("40");
    view->OnEditClearSelection();
    EXPECT_EQ(image().chipCache[5], 0x12);
    EXPECT_EQ(image().chipCache[6], ChipUnknown);
    EXPECT_EQ(image().dataStart, 0x100);
    EXPECT_EQ(image().dataEnd, 0x200);
}
