#include "HexCursor.h"

#include <DeviceBytes.h>
#include <HexDigit.h>

#include <algorithm>

namespace {

void MarkEdited(DeviceImage& image, int address, uint8_t value)
{
    image.buffer[address] = value;
    image.marks[address] = MarkChanged;
}

} // namespace

bool HexCursor::rowOffScreen(const Rows& rows) const
{
    return row < rows.first || row > rows.first + rows.visible - 1;
}

HexCursor::Scroll HexCursor::moveDown(const Rows& rows)
{
    if (row < rows.total - 1)
        ++row;
    // The cursor row becomes the bottom row shown.
    if (rowOffScreen(rows))
        return row - (rows.visible - 1);
    return std::nullopt;
}

HexCursor::Scroll HexCursor::moveUp(const Rows& rows)
{
    if (row > 0)
        --row;
    if (rowOffScreen(rows))
        return row;
    return std::nullopt;
}

HexCursor::Scroll HexCursor::moveRight(const Rows& rows)
{
    if (++column > 15) {
        column = 0;
        return moveDown(rows);
    }
    return std::nullopt;
}

HexCursor::Scroll HexCursor::moveLeft(const Rows& rows)
{
    if (--column < 0) {
        column = 15;
        return moveUp(rows);
    }
    return std::nullopt;
}

void HexCursor::place(int textColumn, int imageRow, int totalRows)
{
    lowNibblePending = 0;
    asciiPane = textColumn >= asciiColumn(0) ? 1 : 0;
    // A hex cell takes its two digits and the gap after them.
    const int cell = asciiPane ? textColumn - asciiColumn(0) : (textColumn - hexColumn(0)) / 3;
    // Clicks outside the cells take the nearest cell: the address text gives
    // column 0 of the hex pane, right of the ASCII pane gives column 15, and
    // below the last image row (or above the first) the nearest row. So the
    // cursor always rests on a byte of the image.
    column = std::clamp(cell, 0, 15);
    row = std::clamp(imageRow, 0, std::max(0, totalRows - 1));
}

HexCursor::Typed HexCursor::type(uint8_t ch, DeviceImage& image, const Rows& rows)
{
    if (ch == 0x09 || ch == 0x0D) {
        asciiPane = 1 - asciiPane;
        lowNibblePending = 0;
        return {};
    }
    if (ch == 0x1B)
        return {};
    // An edit whether or not a byte changes.
    if (asciiPane) {
        typeAscii(ch, image, rows.total);
        return {true, std::nullopt};
    }
    return {true, typeHexDigit(ch, image, rows)};
}

int HexCursor::address(const DeviceImage& image, int totalRows) const
{
    // Only a cursor on a byte of the device may be written through; the
    // arrays are bounded as well in case deviceSize says more.
    if (column < 0 || column > 15 || row < 0 || row >= totalRows)
        return -1;
    const int a = row * 16 + column;
    return a < DeviceBytes(image) ? a : -1;
}

void HexCursor::typeAscii(uint8_t ch, DeviceImage& image, int totalRows)
{
    // A cursor off the image takes no typing; clicks, arrows and the advance
    // below never leave it there.
    const int a = address(image, totalRows);
    if (a < 0)
        return;
    MarkEdited(image, a, ch);
    // The advance never scrolls. After the last byte of the image the cursor
    // stays on it, so typing on overwrites the last byte and nothing past it.
    if (++column > 15) {
        if (row < totalRows - 1) {
            column = 0;
            ++row;
        } else {
            column = 15;
        }
    }
}

HexCursor::Scroll HexCursor::typeHexDigit(uint8_t ch, DeviceImage& image, const Rows& rows)
{
    const int v = HexDigit(static_cast<char>(ch));
    const int a = address(image, rows.total);
    if (v < 0 || a < 0)
        return std::nullopt;
    uint8_t b = image.buffer[a];
    Scroll scroll;
    if (lowNibblePending == 0) {
        b = static_cast<uint8_t>((b & 0x0F) | (v << 4));
    } else {
        b = static_cast<uint8_t>((b & 0xF0) | v);
        scroll = moveRight(rows);
    }
    lowNibblePending = 1 - lowNibblePending;
    MarkEdited(image, a, b);
    return scroll;
}

HexCursor::Scroll HexCursor::goTo(int address, int totalRows)
{
    if (address < 0 || totalRows <= 0)
        return std::nullopt;
    // An address past the image goes to its last byte, so the cursor never
    // rests outside it.
    const int a = std::min(address, totalRows * 16 - 1);
    row = a / 16;
    column = a % 16;
    return row;
}
