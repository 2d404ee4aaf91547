#include "CVorlaneView.h"

#include "CCopyDlg.h"
#include "CFillDlg.h"
#include "CGotoDlg.h"
#include "CellTexts.h"

#include <CVorlaneDoc.h>
#include <DeviceBytes.h>
#include <LinkClaim.h>
#include <ProgrammingSession.h>

#include <QFontDatabase>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

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

// A cell's pen and background.
struct CellColours {
    QColor text;
    QColor background;
};

CellColours MarkColours(uint8_t mark)
{
    if (mark == MarkMismatch)
        return {kMismatchText, kMismatchBackground};
    if (mark == MarkChanged)
        return {kChangedText, kChangedBackground};
    return {kText, kBackground};
}

// The characters a key gives, as the platform's translation would count them.
QString KeyCharacters(int key, const QString& text)
{
    // X11 gives Delete the text DEL; like the other editing keys it gives
    // no character here, so it does nothing.
    if (key == Qt::Key_Delete)
        return {};
    // Shift+Tab arrives as Backtab; it is still the Tab character.
    if (key == Qt::Key_Backtab)
        return QStringLiteral("\t");
    // A character beyond Latin-1 has no 8-bit code to store: it counts as a
    // key that gives no character, as with a code page that lacks it.
    if (text.size() == 1 && text[0].unicode() > 0xFF)
        return {};
    return text;
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
    if (!cellTexts_ || cellTexts_->font() != viewFont_)
        cellTexts_ = std::make_shared<const CellTexts>(viewFont_);
    const CellTexts& texts = *cellTexts_;
    // A drawText at baseline y in opaque mode fills from y - ascent down to
    // y + descent, as wide as the text's advance; the cells do the same.
    const QFontMetricsF exact(viewFont_);
    const qreal ascentF = exact.ascent();
    const qreal heightF = exact.ascent() + exact.descent();

    const int total = totalRows();
    const int first = firstRow();
    const int ascent = metrics.ascent();
    const int rows = visibleRows();
    const QString blankRow(kRowColumns, QLatin1Char(' '));
    const CellColours hexCursor{kHexCursorText, kHexCursorBackground};
    const CellColours asciiCursor{kAsciiCursorText, kAsciiCursorBackground};
    QColor pen = kText;
    for (int i = 0; i < rows; ++i) {
        const int r = first + i;
        const int y = i * lineHeight + ascent;
        if (pen != kText) {
            p.setPen(kText);
            pen = kText;
        }
        if (r >= total) {
            p.drawText(0, y, blankRow);
            continue;
        }
        p.drawText(0, y, QStringLiteral("%1: ").arg(r * 16 & 0xFFFF, 4, 16, QLatin1Char('0')).toUpper());
        // A cell in its mark's colours, or the cursor's where its pane is
        // active. Unmarked cells need no fill: the view's background is there.
        auto drawCell = [&](int c, int column, const QGlyphRun& text, qreal width, int pane,
                            const CellColours& cursor) {
            const CellColours colours = cursor_.asciiPane == pane && cursor_.row == r && cursor_.column == c
                                            ? cursor
                                            : MarkColours(image.marks[r * 16 + c]);
            const qreal x = column * charWidth;
            if (colours.background != kBackground)
                p.fillRect(QRectF(x, y - ascentF, width, heightF), colours.background);
            if (colours.text != pen) {
                p.setPen(colours.text);
                pen = colours.text;
            }
            p.drawGlyphRun(QPointF(x, y), text);
        };
        // The cells fill their own backgrounds; glyph runs drawn in opaque
        // mode land off their baseline on some platforms (xcb).
        p.setBackgroundMode(Qt::TransparentMode);
        for (int c = 0; c < 16; ++c) {
            const uint8_t v = image.buffer[r * 16 + c];
            drawCell(c, HexCursor::hexColumn(c), texts.hex(v), texts.hexWidth(v), 0, hexCursor);
        }
        for (int c = 0; c < 16; ++c) {
            const uint8_t v = image.buffer[r * 16 + c];
            drawCell(c, HexCursor::asciiColumn(c), texts.ascii(v), texts.asciiWidth(v), 1, asciiCursor);
        }
        p.setBackgroundMode(Qt::OpaqueMode);
    }
}

void CVorlaneView::OnInitialUpdate()
{
    viewport()->update();
    // Whenever a document is shown, the target's lines are left released:
    // unless another program has them for a job, which must go on undisturbed.
    if (session_) {
        const LinkClaim claim(session_->link(), std::chrono::milliseconds(0));
        if (claim.held())
            session_->link().LeaveProgramming();
    }
    UpdateScrollRange();
}

void CVorlaneView::UpdateScrollRange()
{
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

HexCursor::Rows CVorlaneView::rows() const
{
    return {totalRows(), firstRow(), visibleRows()};
}

void CVorlaneView::scrollTo(HexCursor::Scroll position)
{
    // The bar holds the position within its range.
    if (position)
        verticalScrollBar()->setValue(*position);
}

void CVorlaneView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        OnLButtonDown(event->position().toPoint());
    // Clicks end here: nothing behind the view acts on them.
    event->accept();
}

void CVorlaneView::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
}

void CVorlaneView::OnLButtonDown(QPoint point)
{
    // Before the first paint no cell has a place yet: the click is ignored.
    if (charWidth <= 0 || lineHeight <= 0)
        return;
    cursor_.place(point.x() / charWidth, firstRow() + point.y() / lineHeight, totalRows());
    viewport()->update();
}

bool CVorlaneView::focusNextPrevChild(bool)
{
    // Tab switches panes here; it never moves the focus away.
    return false;
}

void CVorlaneView::keyPressEvent(QKeyEvent* event)
{
    // The scroll area's own handling would scroll on arrows and page keys;
    // the view has taken every key.
    OnKeyDown(event->key(), event->text(), event->modifiers());
    event->accept();
}

void CVorlaneView::OnKeyDown(int key, const QString& text, Qt::KeyboardModifiers modifiers)
{
    // Alt combinations are the menu's keys and never type (AltGr reported as
    // Ctrl+Alt still types).
    const bool altOnly = (modifiers & Qt::AltModifier) && !(modifiers & Qt::ControlModifier);
    const QString chars = altOnly ? QString() : KeyCharacters(key, text);
    if (chars.size() == 1) {
        const uint8_t ch = static_cast<uint8_t>(chars[0].unicode());
        const HexCursor::Typed typed = cursor_.type(ch, document_->image(), rows());
        if (typed.edit)
            document_->SetModifiedFlag(true);
        scrollTo(typed.scroll);
    } else if (chars.isEmpty() && !altOnly) {
        switch (key) {
        case Qt::Key_Left: MoveCursorLeft(); break;
        case Qt::Key_Up: MoveCursorUp(); break;
        case Qt::Key_Right: MoveCursorRight(); break;
        case Qt::Key_Down: MoveCursorDown(); break;
        default: break;
        }
    }
    // More than one character (a dead-key pair): nothing.
    viewport()->update();
}

void CVorlaneView::MoveCursorDown()
{
    scrollTo(cursor_.moveDown(rows()));
}

void CVorlaneView::MoveCursorUp()
{
    scrollTo(cursor_.moveUp(rows()));
}

void CVorlaneView::MoveCursorRight()
{
    scrollTo(cursor_.moveRight(rows()));
}

void CVorlaneView::MoveCursorLeft()
{
    scrollTo(cursor_.moveLeft(rows()));
}

void CVorlaneView::OnEditCopy()
{
    CCopyDlg dialog(&document_->image(), this);
    dialog.exec();
    // Flagged however the window was closed.
    document_->SetModifiedFlag(true);
    viewport()->update();
}

void CVorlaneView::OnEditFill()
{
    CFillDlg dialog(&document_->image(), this);
    dialog.exec();
    document_->SetModifiedFlag(true);
    viewport()->update();
}

void CVorlaneView::OnEditGoto()
{
    CGotoDlg dialog(this);
    scrollTo(cursor_.goTo(dialog.exec(), totalRows()));
    viewport()->update();
}

void CVorlaneView::OnEditClearSelection()
{
    DeviceImage& image = document_->image();
    std::fill_n(image.marks.begin(), DeviceBytes(image), MarkNone);
    viewport()->update();
}
