#include "ImageFileKind.h"

#include "HexDigit.h"

#include <string>

namespace {

// The name without its directory part, in upper case. ASCII only: the
// user's locale must not change what a file is.
std::string UpperName(std::string_view fileName)
{
    if (const auto slash = fileName.rfind('/'); slash != std::string_view::npos)
        fileName.remove_prefix(slash + 1);
    std::string upper(fileName);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}

} // namespace

ImageFileKind ImageFileKindOf(std::string_view fileName)
{
    const std::string upper = UpperName(fileName);
    if (upper.find(".HEX") != std::string::npos || upper.find(".IHX") != std::string::npos)
        return ImageFileKind::IntelHex;
    return ImageFileKind::Binary;
}

ImageFileKind ImageFileKindOfSuffix(std::string_view fileName)
{
    const std::string upper = UpperName(fileName);
    return upper.ends_with(".HEX") || upper.ends_with(".IHX") ? ImageFileKind::IntelHex : ImageFileKind::Binary;
}

bool HoldsIntelHexRecords(std::span<const uint8_t> content)
{
    size_t pos = 0;
    while (pos < content.size() &&
           (content[pos] == ' ' || content[pos] == '\t' || content[pos] == '\r' || content[pos] == '\n'))
        ++pos;
    return pos + 1 < content.size() && content[pos] == ':' && HexDigit(static_cast<char>(content[pos + 1])) >= 0;
}

ImageFileKind ImageFileKindOfInput(std::string_view fileName, std::span<const uint8_t> content)
{
    return HoldsIntelHexRecords(content) ? ImageFileKind::IntelHex : ImageFileKindOfSuffix(fileName);
}
