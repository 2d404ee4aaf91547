#pragma once

#include <QAbstractScrollArea>
#include <QFont>

class CVorlaneDoc;
class QPainter;

// The hex dump of the document's image: rows of 16 bytes with the address,
// the hex cells and the ASCII cells, coloured by mark and by the cursor.
class CVorlaneView : public QAbstractScrollArea {
    Q_OBJECT
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
    const QFont& viewFont() const { return viewFont_; }

    void OnDraw(QPainter& painter);
    void OnInitialUpdate();
    void OnVScroll(int request, int thumbPosition = 0);

    int totalRows() const;
    int firstRow() const;
    int visibleRows() const;

    // View state, shared by the editing code.
    int cursorRow = 0;
    int cursorColumn = 0;
    int asciiPane = 1;
    int lowNibblePending = 0;
    int lineHeight = 0;
    int charWidth = 0;

    static constexpr int kRowColumns = 70;

protected:
    void paintEvent(QPaintEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void onScrollAction(int action);

    CVorlaneDoc* document_;
    QFont viewFont_;
    bool inScrollAction_ = false;
};
