#include "CVorlaneView.h"

#include <CVorlaneDoc.h>
#include <LineDriver.h>

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QScrollBar>

namespace {

const QColor kText = Qt::black;
const QColor kBackground = Qt::white;
const QColor kMismatchText(255, 255, 255);
const QColor kMismatchBackground(255, 0, 0);
const QColor kChangedText(0, 0, 0);
const QColor kChangedBackground(192, 192, 192);
const QColor kHexCursorText(255, 255, 255);
const QColor kHexCursorBackground(32, 32, 255);
const QColor kAsciiCursorText(255, 255, 255);
const QColor kAsciiCursorBackground(0, 0, 255);

void ApplyMark(QPainter& p, uint8_t mark)
{
    if (mark == MarkMismatch) {
        p.setPen(kMismatchText);
        p.setBackground(kMismatchBackground);
    } else if (mark == MarkChanged) {
        p.setPen(kChangedText);
        p.setBackground(kChangedBackground);
    }
}

QChar AsciiCell(uint8_t value)
{
    // 0x7F shows as itself; control codes and the upper half as dots.
    return value >= 0x20 && value <= 0x7F ? QChar(value) : QChar('.');
}

} // namespace

CVorlaneView::CVorlaneView(CVorlaneDoc* document, QWidget* parent)
    : QAbstractScrollArea(parent), document_(document),
      viewFont_(QFontDatabase::systemFont(QFontDatabase::FixedFont))
{
    viewFont_.setStyleHint(QFont::TypeWriter);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAutoFillBackground(true);
    QPalette palette = viewport()->palette();
    palette.setColor(QPalette::Base, kBackground);
    viewport()->setPalette(palette);
    verticalScrollBar()->setSingleStep(1);
    verticalScrollBar()->setPageStep(4);
    verticalScrollBar()->setRange(0, 0);
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, &CVorlaneView::onScrollAction);
    connect(document_, &CVorlaneDoc::imageChanged, viewport(), qOverload<>(&QWidget::update));
}

int CVorlaneView::totalRows() const
{
    return document_->image().deviceSize / 16;
}

int CVorlaneView::firstRow() const
{
    return verticalScrollBar()->value();
}

int CVorlaneView::visibleRows() const
{
    // From the outer window height, frame included: the last row drawn may be
    // partly hidden, and the cursor rules count it as visible.
    return lineHeight > 0 ? height() / lineHeight : 0;
}

void CVorlaneView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    OnDraw(painter);
}

void CVorlaneView::OnDraw(QPainter& p)
{
    const DeviceImage& image = document_->image();
    p.setFont(viewFont_);
    const QFontMetrics metrics(viewFont_);
    lineHeight = metrics.height();
    charWidth = metrics.horizontalAdvance(QLatin1Char('0'));
    p.setBackgroundMode(Qt::OpaqueMode);
    p.setPen(kText);
    p.setBackground(kBackground);

    const int total = totalRows();
    const int first = firstRow();
    const int ascent = metrics.ascent();
    const int rows = visibleRows();
    const QString blankRow(kRowColumns, QLatin1Char(' '));
    for (int i = 0; i < rows; ++i) {
        const int r = first + i;
        const int y = i * lineHeight + ascent;
        if (r >= total) {
            p.drawText(0, y, blankRow);
            continue;
        }
        p.drawText(0, y, QStringLiteral("%1: ").arg(r * 16 & 0xFFFF, 4, 16, QLatin1Char('0')).toUpper());
        for (int c = 0; c < 16; ++c) {
            const int a = r * 16 + c;
            const bool cursorHere = cursorRow == r && cursorColumn == c;
            p.save();
            ApplyMark(p, image.marks[a]);
            if (asciiPane == 0 && cursorHere) {
                p.setPen(kHexCursorText);
                p.setBackground(kHexCursorBackground);
            }
            p.drawText((3 * c + 6) * charWidth, y,
                       QStringLiteral("%1").arg(image.buffer[a], 2, 16, QLatin1Char('0')).toUpper());
            p.restore();
        }
        for (int c = 0; c < 16; ++c) {
            const int a = r * 16 + c;
            const bool cursorHere = cursorRow == r && cursorColumn == c;
            p.save();
            ApplyMark(p, image.marks[a]);
            if (asciiPane == 1 && cursorHere) {
                p.setPen(kAsciiCursorText);
                p.setBackground(kAsciiCursorBackground);
            }
            p.drawText((54 + c) * charWidth, y, QString(AsciiCell(image.buffer[a])));
            p.restore();
        }
    }
}

void CVorlaneView::OnInitialUpdate()
{
    viewport()->update();
    // Whenever a document is shown, the target's lines are left released.
    lineDriver().LeaveProgramming();
    verticalScrollBar()->setRange(0, std::max(0, totalRows() - 1));
}

void CVorlaneView::OnVScroll(int request, int thumbPosition)
{
    QScrollBar* bar = verticalScrollBar();
    const int p = bar->value();
    const int t = totalRows();
    int next = p;
    bool set = true;
    switch (request) {
    case LineUp:
        next = p > 0 ? p - 1 : p;
        break;
    case LineDown:
        next = p < t ? p + 1 : p;
        break;
    case PageUp:
        next = std::max(0, p - 4);
        break;
    case PageDown:
        next = std::min(t, p + 4);
        break;
    case ThumbPosition:
    case ThumbTrack:
        next = thumbPosition;
        break;
    case Top:
        next = 0;
        break;
    case Bottom:
        next = t;
        break;
    default:
        set = false;
        break;
    }
    // The bar holds positions within its range, so T is stored as T - 1.
    if (set) {
        bar->setSliderPosition(next);
        bar->setValue(bar->sliderPosition());
    }
    viewport()->update();
}

void CVorlaneView::onScrollAction(int action)
{
    // The bar has already moved its slider by Qt's own rule; put the old
    // position back and apply ours.
    QScrollBar* bar = verticalScrollBar();
    int request = EndScroll;
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub: request = LineUp; break;
    case QAbstractSlider::SliderSingleStepAdd: request = LineDown; break;
    case QAbstractSlider::SliderPageStepSub: request = PageUp; break;
    case QAbstractSlider::SliderPageStepAdd: request = PageDown; break;
    case QAbstractSlider::SliderMove: request = ThumbTrack; break;
    case QAbstractSlider::SliderToMinimum: request = Top; break;
    case QAbstractSlider::SliderToMaximum: request = Bottom; break;
    default: break;
    }
    if (request == ThumbTrack)
        return; // dragging: the slider already holds the thumb position
    bar->setSliderPosition(bar->value());
    OnVScroll(request, bar->value());
}

void CVorlaneView::scrollContentsBy(int, int)
{
    // Scrolling repaints whole rows; no pixels are moved.
    viewport()->update();
}
