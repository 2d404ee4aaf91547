#pragma once

#include <QString>

class QIODevice;

// The file behind a load or a save, as the document's Serialize sees it.
struct Archive {
    enum class Direction { Load, Store };

    Direction direction;
    QString path;        // full path of the file
    QIODevice* device;   // open for reading (load) or writing (store)

    bool isStoring() const { return direction == Direction::Store; }
};
