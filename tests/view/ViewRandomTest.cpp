#include "DialogControls.h"
#include "EditFixture.h"

#include <algorithm>
#include <cstring>
#include <random>

namespace {

// Drives the view with random clicks, keys, commands and scrolling, and
// checks after every step that the cursor rests on the image and that
// nothing past the device changed.
class ViewRandomTest : public EditFixture {
protected:
    void run(int deviceSize, uint32_t seed, int steps)
    {
        rng.seed(seed);
        image().deviceSize = deviceSize;
        view->OnInitialUpdate();
        for (int a = deviceSize; a < kImageCapacity; ++a) {
            image().buffer[a] = static_cast<uint8_t>(a * 13 + 5);
            image().marks[a] = static_cast<uint8_t>(a % 3);
        }
        const DeviceImage spare = image();
        for (int step = 0; step < steps; ++step) {
            const DeviceImage before = image();
            const int cursorBefore = cursor();
            const int kind = pick(100);
            if (kind < 30) {
                randomClick();
                expectBytes(before, -1, step);
            } else if (kind < 75) {
                randomKey();
                expectBytes(before, cursorBefore, step);
            } else if (kind < 80) {
                randomDialog<CCopyDlg>([this] { view->OnEditCopy(); });
            } else if (kind < 85) {
                randomDialog<CFillDlg>([this] { view->OnEditFill(); });
            } else if (kind < 90) {
                randomDialog<CGotoDlg>([this] { view->OnEditGoto(); });
                expectBytes(before, -1, step);
            } else if (kind < 92) {
                view->OnEditClearSelection();
            } else if (kind < 98) {
                view->OnVScroll(pick(9), pick(view->totalRows() + 20) - 10);
            } else {
                view->resize(800, 40 + pick(500));
                paint();
            }
            checkInvariants(spare, deviceSize, step);
            if (HasFatalFailure())
                return;
        }
    }

    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }

    void randomClick()
    {
        const QSize size = view->viewport()->size();
        const QPoint point(pick(size.width() + 40) - 20, pick(size.height() + 60) - 20);
        static const Qt::MouseButton buttons[] = {Qt::LeftButton, Qt::LeftButton, Qt::LeftButton, Qt::RightButton};
        clickAt(point, buttons[pick(4)]);
    }

    void randomKey()
    {
        static const Qt::Key keys[] = {Qt::Key_Left,     Qt::Key_Right, Qt::Key_Up,     Qt::Key_Down,
                                       Qt::Key_Tab,      Qt::Key_Backtab, Qt::Key_Return, Qt::Key_Enter,
                                       Qt::Key_Escape,   Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Home,
                                       Qt::Key_End,      Qt::Key_Delete, Qt::Key_Backspace, Qt::Key_F3};
        static const Qt::KeyboardModifiers modifiers[] = {Qt::NoModifier, Qt::ShiftModifier, Qt::ControlModifier,
                                                          Qt::AltModifier};
        const int kind = pick(10);
        if (kind < 4) {
            static const char hex[] = "0123456789abcdefABCDEF";
            QTest::keyClick(view, hex[pick(sizeof hex - 1)]);
        } else if (kind < 6) {
            QTest::keyClick(view, static_cast<char>(0x20 + pick(0x5F)));
        } else if (kind < 7) {
            const int code = pick(0x20);
            keyWithText(Qt::Key_A, QString(QChar(code)), Qt::ControlModifier);
        } else if (kind < 8) {
            static const char16_t odd[] = {0xE9, 0xFF, 0x7F, 0x20AC, 0x3B1};
            keyWithText(Qt::Key_unknown, QString(QChar(odd[pick(5)])));
        } else {
            key(keys[pick(16)], modifiers[pick(4)]);
        }
    }

    // Addresses, numbers and junk, as a user might type them.
    QString randomText()
    {
        static const char* const texts[] = {"",         "0",        "10",       "2FFF",     "3000",  "FFFF",
                                            "FFFFFFFF", "80000000", "7FFFFFFF", "100000000", "-1",   "-7FFF",
                                            "zz",       "$",        "'",        "'x",       "$1FF",  "-129",
                                            " 3f0",     "0x1f",     "99999999999", "3ff",   "400",   "1ff"};
        if (pick(3) == 0)
            return QString::number(pick(0x3200), 16);
        return QLatin1String(texts[pick(sizeof texts / sizeof texts[0])]);
    }

    // Random texts in every field, then confirm, cancel or the close box.
    template <class Dialog>
    void randomDialog(const std::function<void()>& command)
    {
        runDialog<Dialog>(command, [this](Dialog& d) {
            for (QLineEdit* field : Fields(d))
                field->setText(randomText());
            const int how = pick(4);
            if (how < 2)
                QTest::mouseClick(ConfirmButton(d), Qt::LeftButton);
            else if (how == 2)
                QTest::mouseClick(CancelButton(d), Qt::LeftButton);
            else
                d.close();
        });
    }

    // The first address from..to-1 where buffer or marks differ from
    // before, other than skip; -1 when there is none.
    int firstChange(const DeviceImage& before, int from, int to, int skip = -1)
    {
        const DeviceImage& now = image();
        const size_t n = static_cast<size_t>(to - from);
        if (std::memcmp(&now.buffer[from], &before.buffer[from], n) == 0
            && std::memcmp(&now.marks[from], &before.marks[from], n) == 0)
            return -1;
        for (int a = from; a < to; ++a)
            if (a != skip && (now.buffer[a] != before.buffer[a] || now.marks[a] != before.marks[a]))
                return a;
        return -1;
    }

    // Only the byte under the cursor before the step may have changed
    // (none when cursorBefore is -1).
    void expectBytes(const DeviceImage& before, int cursorBefore, int step)
    {
        ASSERT_EQ(firstChange(before, 0, kImageCapacity, cursorBefore), -1) << "step " << step;
    }

    void checkInvariants(const DeviceImage& spare, int deviceSize, int step)
    {
        ASSERT_GE(view->cursorRow, 0) << "step " << step;
        ASSERT_LT(view->cursorRow, view->totalRows()) << "step " << step;
        ASSERT_GE(view->cursorColumn, 0) << "step " << step;
        ASSERT_LE(view->cursorColumn, 15) << "step " << step;
        ASSERT_TRUE(view->asciiPane == 0 || view->asciiPane == 1);
        ASSERT_TRUE(view->lowNibblePending == 0 || view->lowNibblePending == 1);
        ASSERT_GE(view->firstRow(), 0);
        ASSERT_LT(view->firstRow(), view->totalRows());
        ASSERT_EQ(firstChange(spare, deviceSize, kImageCapacity), -1) << "step " << step;
        ASSERT_TRUE(std::all_of(image().marks.begin(), image().marks.begin() + deviceSize,
                                [](uint8_t m) { return m <= MarkChanged; }))
            << "step " << step;
    }

    std::mt19937 rng;
};

} // namespace

TEST_F(ViewRandomTest, SmallImage)
{
    run(0x400, 20240611u, 4000);
}

TEST_F(ViewRandomTest, TinyImageShorterThanTheWindow)
{
    run(0x60, 7u, 2000);
}

TEST_F(ViewRandomTest, FullDevice)
{
    run(0x3000, 1234567u, 1500);
}
