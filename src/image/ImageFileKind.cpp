#include "ImageFileKind.h"

#include <string>

ImageFileKind ImageFileKindOf(std::string_view fileName)
{
    if (const auto slash = fileName.rfind('/'); slash != std::string_view::npos)
        fileName.remove_prefix(slash + 1);

    // ASCII only: the user's locale must not change what a file is.
    std::string upper(fileName);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    if (upper.find(".HEX") != std::string::npos || upper.find(".IHX") != std::string::npos)
        return ImageFileKind::IntelHex;
    return ImageFileKind::Binary;
}
