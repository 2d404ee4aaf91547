#pragma once

#include <cstdint>
#include <optional>

struct DeviceImage;

// The hex view's cursor and typing: the byte under the cursor, the pane
// that takes the typing and a hex digit half-way through a byte. It edits
// the image and names the row the view should scroll to; scrolling and
// painting stay with the view.
class HexCursor {
public:
    // The rows the cursor moves among: all the image's rows, the one on top
    // of the window and how many count as shown (a partly shown bottom row
    // included).
    struct Rows {
        int total;
        int first;
        int visible;
    };
    // A scroll position to set, unbounded: the scroll bar keeps it within
    // its range. None when the cursor row stays on screen.
    using Scroll = std::optional<int>;

    // What a typed character did besides moving the cursor.
    struct Typed {
        bool edit = false; // the document counts as changed, byte or not
        Scroll scroll;
    };

    // Character columns of byte c's cells in a row of the view.
    static constexpr int hexColumn(int c) { return 3 * c + 6; }
    static constexpr int asciiColumn(int c) { return 54 + c; }

    // The state the view draws. A row or column off the image is possible
    // (a device change shrinks the image); it highlights nothing and takes
    // no typing.
    int row = 0;
    int column = 0;
    int asciiPane = 1;
    int lowNibblePending = 0;

    Scroll moveDown(const Rows& rows);
    Scroll moveUp(const Rows& rows);
    Scroll moveRight(const Rows& rows);
    Scroll moveLeft(const Rows& rows);

    // A click on a character column of an image row.
    void place(int textColumn, int imageRow, int totalRows);
    // One character of a key: Tab and Enter switch panes, Escape does
    // nothing, anything else types into the active pane.
    Typed type(uint8_t ch, DeviceImage& image, const Rows& rows);
    // The cursor onto an address, its row to the top; a negative address
    // changes nothing.
    Scroll goTo(int address, int totalRows);

private:
    bool rowOffScreen(const Rows& rows) const;
    // The image address under the cursor, or -1 when the cursor is not on a
    // byte of the device.
    int address(const DeviceImage& image, int totalRows) const;
    void typeAscii(uint8_t ch, DeviceImage& image, int totalRows);
    Scroll typeHexDigit(uint8_t ch, DeviceImage& image, const Rows& rows);
};
