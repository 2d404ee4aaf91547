#include "ImageBytes.h"

#include <ImageFile.h>
#include <SaveRange.h>

#include <gtest/gtest.h>

TEST(ImageFileKindTest, HexOrIhxAnywhereInTheNameInAnyCaseIsIntelHex)
{
    for (const char* name : {"code.hex", "CODE.HEX", "code.Hex", "code.hex.bin", "a.HEXfile",
                             "fw.ihx", "FW.IHX", "fw.Ihx", "fw.ihx.old", ".hex"})
        EXPECT_EQ(ImageFileKindOf(name), ImageFileKind::IntelHex) << name;
}

TEST(ImageFileKindTest, AnyOtherNameIsBinary)
{
    for (const char* name : {"code.bin", "code.e51", "code", "hex", "codehex", "code_hex", "code.he",
                             "code.hx", "ihx", "", "code.h ex"})
        EXPECT_EQ(ImageFileKindOf(name), ImageFileKind::Binary) << name;
}

TEST(ImageFileKindTest, OnlyTheNamePartCounts)
{
    EXPECT_EQ(ImageFileKindOf("/home/me/build.hex/app.bin"), ImageFileKind::Binary);
    EXPECT_EQ(ImageFileKindOf("/home/me/build.bin/app.hex"), ImageFileKind::IntelHex);
    EXPECT_EQ(ImageFileKindOf("/tmp/"), ImageFileKind::Binary);
}

TEST(SaveRangeTest, ValuesInsideTheDeviceStay)
{
    const SaveRange range = ClampSaveRange(0x10, 0x12, 0x3000);
    EXPECT_EQ(range.start, 0x10);
    EXPECT_EQ(range.finish, 0x12);
    const SaveRange reversed = ClampSaveRange(0x2FFF, 0, 0x3000);
    EXPECT_EQ(reversed.start, 0x2FFF);
    EXPECT_EQ(reversed.finish, 0);
}

TEST(SaveRangeTest, ValuesOutsideTheDeviceOrMissingFallBackToItsEnds)
{
    struct Case {
        std::optional<int32_t> start, finish;
        int32_t wantStart, wantFinish;
    };
    const Case cases[] = {
        {-1, -1, 0, 0x2FFF},
        {0x3000, 0x3000, 0, 0x2FFF},
        {INT32_MIN, INT32_MAX, 0, 0x2FFF},
        {std::nullopt, std::nullopt, 0, 0x2FFF},
        {std::nullopt, 0x20, 0, 0x20},
        {0x20, std::nullopt, 0x20, 0x2FFF},
        {0x2FFF, 0x2FFF, 0x2FFF, 0x2FFF},
    };
    for (const Case& c : cases) {
        const SaveRange range = ClampSaveRange(c.start, c.finish, 0x3000);
        EXPECT_EQ(range.start, c.wantStart);
        EXPECT_EQ(range.finish, c.wantFinish);
    }
}

TEST(SaveRangeTest, WholeDeviceAndADeviceSizeBeyondTheArrays)
{
    const SaveRange whole = WholeDeviceRange(0x3000);
    EXPECT_EQ(whole.start, 0);
    EXPECT_EQ(whole.finish, 0x2FFF);
    EXPECT_EQ(ClampSaveRange(0x6000, 0x6000, 0x8000).finish, kImageCapacity - 1);
    EXPECT_EQ(ClampSaveRange(0x6000, 0x6000, 0x8000).start, 0);
    const SaveRange none = WholeDeviceRange(0);
    EXPECT_GT(none.start, none.finish);
}

TEST(ImageFileTest, MarksAreClearedOverTheDeviceOnly)
{
    auto image = NewImage();
    image->marks.fill(MarkMismatch);
    ClearDeviceMarks(*image);
    for (int a = 0; a < kImageCapacity; ++a)
        ASSERT_EQ(image->marks[a], a < 0x3000 ? MarkNone : MarkMismatch) << a;
}

TEST(ImageFileTest, SavingClearsTheMarksAndGoesByKind)
{
    auto image = NewImage();
    image->buffer[0x10] = 1;
    image->buffer[0x11] = 2;
    image->buffer[0x12] = 3;
    image->marks[0x11] = MarkChanged;
    image->marks[0x2FFF] = MarkMismatch;

    EXPECT_EQ(Text(StoreImageFile(*image, ImageFileKind::IntelHex, 0x10, 0x12)),
              ":03001000010203E7\r\n:00000001FF\r\n");
    EXPECT_EQ(image->marks[0x11], MarkNone);
    EXPECT_EQ(image->marks[0x2FFF], MarkNone);

    image->marks[0x11] = MarkChanged;
    EXPECT_EQ(StoreImageFile(*image, ImageFileKind::Binary, 0x10, 0x12), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(image->marks[0x11], MarkNone);
}

TEST(ImageFileTest, LoadingClearsTheMarksAndGoesByKind)
{
    auto image = NewImage();
    image->marks[0x20] = MarkMismatch;
    EXPECT_TRUE(LoadImageFile(*image, ImageFileKind::IntelHex, Bytes(":03001000010203E7\r\n")).complete());
    EXPECT_EQ(image->marks[0x20], MarkNone);
    EXPECT_EQ(image->marks[0x10], MarkChanged);
    EXPECT_EQ(image->dataStart, 0x10);
    EXPECT_EQ(image->dataEnd, 0x12);

    // The same text as a binary file: its characters from address 0, no marks.
    const auto text = Bytes(":03001000010203E7\r\n");
    EXPECT_TRUE(LoadImageFile(*image, ImageFileKind::Binary, text).complete());
    EXPECT_EQ(image->buffer[0], ':');
    EXPECT_EQ(image->marks[0x10], MarkNone);
    EXPECT_EQ(image->dataStart, 0);
    EXPECT_EQ(image->dataEnd, static_cast<int32_t>(text.size()));
}

TEST(ImageFileTest, ReloadingAnUnchangedHexFileMarksNothingAndAChangedOneExactlyItsChanges)
{
    auto image = NewImage();
    const auto first = Bytes(":040000001122334452\r\n:02010000AABB98\r\n");
    LoadImageFile(*image, ImageFileKind::IntelHex, first);
    LoadImageFile(*image, ImageFileKind::IntelHex, first);
    for (int a = 0; a < 0x3000; ++a)
        ASSERT_EQ(image->marks[a], MarkNone) << a;

    const auto changed = Bytes(":0400000011993344DB\r\n:02010000AACC87\r\n");
    LoadImageFile(*image, ImageFileKind::IntelHex, changed);
    for (int a = 0; a < 0x3000; ++a)
        ASSERT_EQ(image->marks[a], (a == 1 || a == 0x101) ? MarkChanged : MarkNone) << a;
    EXPECT_EQ(image->buffer[1], 0x99);
    EXPECT_EQ(image->buffer[0x101], 0xCC);
}

TEST(ImageFileTest, FilesNeverTouchTheChipCopy)
{
    auto image = NewImage();
    for (int a = 0; a < kImageCapacity; ++a)
        image->chipCache[a] = a % 3 == 0 ? ChipUnknown : a & 0xFF;
    const auto before = image->chipCache;

    LoadImageFile(*image, ImageFileKind::IntelHex, Bytes(":040000001122334452\r\n"));
    LoadImageFile(*image, ImageFileKind::Binary, std::vector<uint8_t>(0x3000, 0x55));
    LoadImageFile(*image, ImageFileKind::Binary, std::vector<uint8_t>(kImageCapacity + 1, 0x55));
    StoreImageFile(*image, ImageFileKind::IntelHex, 0, 0x2FFF);
    StoreImageFile(*image, ImageFileKind::Binary, 0, 0x2FFF);
    EXPECT_EQ(image->chipCache, before);
}
