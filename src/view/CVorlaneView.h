#pragma once

#include "HexCursor.h"

#include <QAbstractScrollArea>
#include <QFont>

#include <cstdint>
#include <memory>

class CVorlaneDoc;
class CellTexts;
class ProgrammingSession;
class QKeyEvent;
class QMouseEvent;
class QPainter;

// The hex dump of the document's image: rows of 16 bytes with the address,
// the hex cells and the ASCII cells, coloured by mark and by the cursor.
class CVorlaneView : public QAbstractScrollArea {
    Q_OBJECT
private:
    // Declared ahead of the references to its fields below.
    HexCursor cursor_;

public:
    // Vertical scroll requests, numbered as the classic scroll-bar codes.
    enum ScrollRequest {
        LineUp = 0,
        LineDown = 1,
        PageUp = 2,
        PageDown = 3,
        ThumbPosition = 4,
        ThumbTrack = 5,
        Top = 6,
        Bottom = 7,
        EndScroll = 8,
    };

    explicit CVorlaneView(CVorlaneDoc* document, QWidget* parent = nullptr);

    CVorlaneDoc* GetDocument() const { return document_; }
    // The session whose target lines a shown document leaves released.
    void setSession(ProgrammingSession* session) { session_ = session; }
    const QFont& viewFont() const { return viewFont_; }

    void OnDraw(QPainter& painter);
    void OnInitialUpdate();
    // The scroll range from the device size, keeping the position.
    void UpdateScrollRange();
    void OnVScroll(int request, int thumbPosition = 0);

    int totalRows() const;
    int firstRow() const;
    int visibleRows() const;

    // Editing: a left click at a point of the client area, a key with the
    // text the keyboard layout gives it.
    void OnLButtonDown(QPoint point);
    void OnKeyDown(int key, const QString& text, Qt::KeyboardModifiers modifiers);
    // They move the cursor and scroll where needed; their callers repaint.
    void MoveCursorDown();
    void MoveCursorUp();
    void MoveCursorRight();
    void MoveCursorLeft();

    // Edit menu commands.
    void OnEditCopy();
    void OnEditFill();
    void OnEditGoto();
    void OnEditClearSelection();

    // The cursor state under the names the window's code and tests set it by.
    int& cursorRow = cursor_.row;
    int& cursorColumn = cursor_.column;
    int& asciiPane = cursor_.asciiPane;
    int& lowNibblePending = cursor_.lowNibblePending;
    int lineHeight = 0;
    int charWidth = 0;

    static constexpr int kRowColumns = 70;

protected:
    void paintEvent(QPaintEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void onScrollAction(int action);
    HexCursor::Rows rows() const;
    void scrollTo(HexCursor::Scroll position);

    CVorlaneDoc* document_;
    ProgrammingSession* session_ = nullptr;
    QFont viewFont_;
    std::shared_ptr<const CellTexts> cellTexts_; // laid out at the first paint
    bool inScrollAction_ = false;
};
