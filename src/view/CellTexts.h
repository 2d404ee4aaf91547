#pragma once

#include <QFont>
#include <QGlyphRun>

#include <array>
#include <cstdint>

// The glyphs of the 256 byte values in the hex and ASCII panes, shaped once
// for one font: shaping a cell's text costs far more than drawing it, and a
// full view holds thousands of cells. Drawn at their baseline, as drawText
// draws, so a cell sits exactly where the text of its row does.
class CellTexts {
public:
    explicit CellTexts(const QFont& font);

    const QFont& font() const { return font_; }
    // Two upper-case hex digits.
    const QGlyphRun& hex(uint8_t value) const { return hex_[value]; }
    // The character itself from 0x20 to 0x7F, else a dot.
    const QGlyphRun& ascii(uint8_t value) const { return ascii_[value]; }
    // Their advance in the font: the width an opaque drawText would fill.
    qreal hexWidth(uint8_t value) const { return hexWidth_[value]; }
    qreal asciiWidth(uint8_t value) const { return asciiWidth_[value]; }

private:
    QFont font_;
    std::array<QGlyphRun, 256> hex_;
    std::array<QGlyphRun, 256> ascii_;
    std::array<qreal, 256> hexWidth_{};
    std::array<qreal, 256> asciiWidth_{};
};
