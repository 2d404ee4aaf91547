#pragma once

#include <QString>

// "title - Vorlane": the document title, then the application title.
QString FrameCaption(const QString& documentTitle);

inline constexpr const char* kApplicationTitle = "Vorlane";
