#pragma once

#include <CVorlaneDoc.h>
#include <CVorlaneView.h>

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <memory>

// A view over a fresh document, laid out at a fixed size and painted once.
class ViewFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        document = std::make_unique<CVorlaneDoc>();
        document->OnNewDocument();
        view = new CVorlaneView(document.get());
        view->resize(800, 400);
        view->OnInitialUpdate();
        view->show();
        paint();
    }
    void TearDown() override
    {
        delete view;
        document.reset();
    }

    DeviceImage& image() { return document->image(); }

    QImage paint()
    {
        shot = view->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        return shot;
    }

    // Top-left pixel of a cell: character column k on screen row i.
    QColor background(int screenRow, int column) const
    {
        return shot.pixelColor(column * view->charWidth + 1, screenRow * view->lineHeight + 1);
    }
    static int hexColumn(int c) { return 3 * c + 6; }
    static int asciiColumn(int c) { return 54 + c; }

    // The cell as drawn, and the same text drawn alone in the view's font.
    QImage cell(int screenRow, int column, int width) const
    {
        return shot.copy(column * view->charWidth, screenRow * view->lineHeight, width * view->charWidth,
                         view->lineHeight);
    }
    QImage expected(const QString& text, QColor pen = Qt::black, QColor back = Qt::white) const
    {
        QImage img(text.size() * view->charWidth, view->lineHeight, QImage::Format_RGB32);
        img.fill(back);
        QPainter p(&img);
        p.setFont(view->viewFont());
        p.setPen(pen);
        p.setBackgroundMode(Qt::OpaqueMode);
        p.setBackground(back);
        p.drawText(0, QFontMetrics(view->viewFont()).ascent(), text);
        return img;
    }

    std::unique_ptr<CVorlaneDoc> document;
    CVorlaneView* view = nullptr;
    QImage shot;
};
