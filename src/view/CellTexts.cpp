#include "CellTexts.h"

#include <QFontMetricsF>
#include <QTextLayout>

namespace {

QChar AsciiCell(uint8_t value)
{
    // 0x7F shows as itself; control codes and the upper half as dots.
    return value >= 0x20 && value <= 0x7F ? QChar(value) : QChar('.');
}

// The text shaped as drawText would shape it (font fallback included), with
// the glyph positions made relative to the baseline at x = 0.
QGlyphRun Shape(const QString& text, const QFont& font)
{
    QTextLayout layout(text, font);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout();
    const QList<QGlyphRun> runs = line.glyphRuns();
    if (runs.isEmpty())
        return {};
    QGlyphRun run = runs.constFirst();
    QList<QPointF> positions = run.positions();
    for (QPointF& p : positions)
        p -= QPointF(0, line.ascent());
    run.setPositions(positions);
    return run;
}

} // namespace

CellTexts::CellTexts(const QFont& font) : font_(font)
{
    const QFontMetricsF metrics(font);
    for (int v = 0; v < 256; ++v) {
        const QString hex = QStringLiteral("%1").arg(v, 2, 16, QLatin1Char('0')).toUpper();
        const QString ascii(AsciiCell(static_cast<uint8_t>(v)));
        hex_[v] = Shape(hex, font);
        ascii_[v] = Shape(ascii, font);
        hexWidth_[v] = metrics.horizontalAdvance(hex);
        asciiWidth_[v] = metrics.horizontalAdvance(ascii);
    }
}
