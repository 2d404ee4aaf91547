#include <DeviceImage.h>
#include <HexCursor.h>

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <string>

namespace {

using State = std::array<int, 4>; // row, column, asciiPane, lowNibblePending

State Of(const HexCursor& c)
{
    return {c.row, c.column, c.asciiPane, c.lowNibblePending};
}

HexCursor::Scroll Move(HexCursor& c, char way, const HexCursor::Rows& rows)
{
    return way == 'D'   ? c.moveDown(rows)
           : way == 'U' ? c.moveUp(rows)
           : way == 'R' ? c.moveRight(rows)
                        : c.moveLeft(rows);
}

} // namespace

// Four image rows, the first two shown. Moves leave a pending nibble; one
// onto a row off screen asks for a scroll that puts it at the window's edge.
TEST(HexCursorTest, MovesKeepThePendingNibbleAndScrollAcrossRows)
{
    const struct { char move; State to; HexCursor::Scroll scroll; } cases[] = {
        {'D', {3, 15, 0, 1}, 2}, {'U', {1, 15, 0, 1}, {}}, {'R', {3, 0, 0, 1}, 2}, {'L', {2, 14, 0, 1}, {}}};
    for (const auto& t : cases) {
        HexCursor c{2, 15, 0, 1};
        EXPECT_EQ(Move(c, t.move, {4, 0, 2}), t.scroll) << t.move;
        EXPECT_EQ(Of(c), t.to) << t.move;
    }
}

// Typing is an edit and writes only the bytes named, never past the device
// or the arrays.
TEST(HexCursorTest, TypingWritesOnlyBytesOfTheDeviceAndAdvances)
{
    const struct {
        int size;
        State from;
        std::string keys;
        std::map<int, uint8_t> written;
        State to;
    } cases[] = {
        {0x40, {3, 14, 1, 0}, "XYZ", {{0x3E, 'X'}, {0x3F, 'Z'}}, {3, 15, 1, 0}},
        {0x40, {3, 15, 0, 0}, "12", {{0x3F, 0x12}}, {3, 0, 0, 0}},
        {0x40, {0, 16, 1, 0}, "A", {}, {0, 16, 1, 0}},
        {0x40, {4, 0, 0, 0}, "1", {}, {4, 0, 0, 0}},
        {0x38, {3, 0, 1, 0}, "A", {}, {3, 0, 1, 0}},
        {kImageCapacity + 16, {kImageCapacity / 16, 0, 1, 0}, "A", {}, {kImageCapacity / 16, 0, 1, 0}},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.keys);
        DeviceImage image;
        image.deviceSize = t.size;
        HexCursor c{t.from[0], t.from[1], t.from[2], t.from[3]};
        for (char k : t.keys) // an edit even when no byte changes
            EXPECT_TRUE(c.type(static_cast<uint8_t>(k), image, {t.size / 16, 0, 4}).edit);
        EXPECT_EQ(Of(c), t.to);
        for (int a = 0; a < kImageCapacity; ++a) {
            const auto w = t.written.find(a);
            ASSERT_EQ(image.buffer[a], w == t.written.end() ? 0xFF : w->second) << a;
            ASSERT_EQ(image.marks[a], w == t.written.end() ? MarkNone : MarkChanged) << a;
        }
    }
}

// A click clears the pending nibble and takes the nearest cell of the image.
TEST(HexCursorTest, ClicksTakeTheNearestCell)
{
    const struct { int textColumn, imageRow, total; State to; } cases[] = {
        {-3, 0, 4, {0, 0, 0, 0}}, {2, 1, 4, {1, 0, 0, 0}},   {20, 0, 4, {0, 4, 0, 0}},  {53, 0, 4, {0, 15, 0, 0}},
        {54, 0, 4, {0, 0, 1, 0}}, {90, 2, 4, {2, 15, 1, 0}}, {10, 9, 4, {3, 1, 0, 0}},  {10, -1, 4, {0, 1, 0, 0}},
        {10, 2, 0, {0, 1, 0, 0}}};
    for (const auto& t : cases) {
        SCOPED_TRACE(testing::Message() << t.textColumn << "," << t.imageRow << " of " << t.total);
        HexCursor c{1, 7, 1 - t.to[2], 1};
        c.place(t.textColumn, t.imageRow, t.total);
        EXPECT_EQ(Of(c), t.to);
    }
}
