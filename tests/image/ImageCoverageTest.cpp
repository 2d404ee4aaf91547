// The addresses a load reports as the file's own: exactly those it wrote.
#include "ImageBytes.h"

#include <ImageFile.h>

#include <gtest/gtest.h>

namespace {

std::vector<int> Addresses(const ImageCoverage& covered)
{
    std::vector<int> list;
    for (size_t a = 0; a < covered.size(); ++a)
        if (covered.test(a))
            list.push_back(static_cast<int>(a));
    return list;
}

} // namespace

TEST(ImageCoverageTest, IntelHexCoversItsRecordsOnly)
{
    auto image = NewImage();
    ImageCoverage covered;
    covered.set(0x500); // from an earlier load
    // Four bytes at 0x10, a gap, two at 0x20, one record reaching past the
    // device (its two bytes inside load), the end.
    const auto result = LoadImageFile(*image, ImageFileKind::IntelHex,
                                      Bytes(":0400100001020304E2\n:02002000AABB79\n:042FFE0001020304C5\n:00000001FF\n"),
                                      &covered);
    ASSERT_TRUE(result.loaded());
    EXPECT_EQ(result.leftOut, 2);
    EXPECT_EQ(Addresses(covered), (std::vector<int>{0x10, 0x11, 0x12, 0x13, 0x20, 0x21, 0x2FFE, 0x2FFF}));
}

TEST(ImageCoverageTest, BinaryCoversWhatFitsTheDevice)
{
    auto image = NewImage();
    ImageCoverage covered;
    ASSERT_TRUE(LoadImageFile(*image, ImageFileKind::Binary, std::vector<uint8_t>{2, 0, 0x30}, &covered).loaded());
    EXPECT_EQ(Addresses(covered), (std::vector<int>{0, 1, 2}));

    std::vector<uint8_t> padded(0x3000 + 16, 0xFF);
    ASSERT_TRUE(LoadImageFile(*image, ImageFileKind::Binary, padded, &covered).complete());
    EXPECT_EQ(covered.count(), 0x3000u);
    EXPECT_FALSE(covered.test(0x3000));
}

TEST(ImageCoverageTest, AFileNotLoadedCoversNothing)
{
    const struct {
        const char* what;
        ImageFileKind kind;
        std::vector<uint8_t> file;
    } cases[] = {
        {"damaged", ImageFileKind::IntelHex, Bytes(":0400100001020304E2\n:0400100001020304E3\n")},
        {"no data", ImageFileKind::IntelHex, Bytes(":00000001FF\n")},
        {"outside", ImageFileKind::IntelHex, Bytes(":0430000001020304C2\n")},
        {"empty", ImageFileKind::Binary, {}},
        {"too large", ImageFileKind::Binary, std::vector<uint8_t>(0x5001, 0)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto image = NewImage();
        ImageCoverage covered;
        covered.set();
        EXPECT_FALSE(LoadImageFile(*image, c.kind, c.file, &covered).loaded());
        EXPECT_TRUE(covered.none());
    }
}
