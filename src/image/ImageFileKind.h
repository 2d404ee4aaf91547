#pragma once

#include <string_view>

enum class ImageFileKind {
    Binary,
    IntelHex,
};

// Decided by the name alone, never by the content: a name containing ".HEX"
// or ".IHX" in any case is Intel HEX, any other is binary. A directory part
// (up to the last '/') is ignored, so "code.hex/app.bin" is binary.
ImageFileKind ImageFileKindOf(std::string_view fileName);
