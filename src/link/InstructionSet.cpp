#include "InstructionSet.h"

void InstructionSet::ReadCodePage(uint16_t address, std::span<uint8_t> page)
{
    // Without page instructions a page is its bytes one by one.
    const auto base = static_cast<uint16_t>(address - address % page.size());
    for (size_t i = 0; i < page.size(); ++i)
        page[i] = ReadCodeByte(static_cast<uint16_t>(base + i));
}

void InstructionSet::WriteCodePage(uint16_t address, std::span<const uint8_t> page)
{
    const auto base = static_cast<uint16_t>(address - address % page.size());
    for (size_t i = 0; i < page.size(); ++i)
        WriteCodeByte(static_cast<uint16_t>(base + i), page[i]);
}
