#pragma once

#include <QFont>
#include <QStaticText>

#include <array>
#include <cstdint>

// The texts of the 256 byte values in the hex and ASCII panes, laid out once
// for one font: laying a cell's text out costs far more than drawing it, and
// a full view holds thousands of cells.
class CellTexts {
public:
    explicit CellTexts(const QFont& font);

    const QFont& font() const { return font_; }
    // Two upper-case hex digits.
    const QStaticText& hex(uint8_t value) const { return hex_[value]; }
    // The character itself from 0x20 to 0x7F, else a dot.
    const QStaticText& ascii(uint8_t value) const { return ascii_[value]; }
    // Their advance in the font: the width an opaque drawText would fill.
    qreal hexWidth(uint8_t value) const { return hexWidth_[value]; }
    qreal asciiWidth(uint8_t value) const { return asciiWidth_[value]; }

private:
    QFont font_;
    std::array<QStaticText, 256> hex_;
    std::array<QStaticText, 256> ascii_;
    std::array<qreal, 256> hexWidth_{};
    std::array<qreal, 256> asciiWidth_{};
};
