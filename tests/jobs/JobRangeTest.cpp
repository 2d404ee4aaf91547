// The range every job window takes from its two address fields.
#include <JobRange.h>

#include <gtest/gtest.h>

#include <optional>

namespace {

constexpr int32_t kDevice = 0x3000;

JobRange Clamp(std::optional<int32_t> start, std::optional<int32_t> finish)
{
    return JobRange::FromFields(start, finish, kDevice);
}

} // namespace

TEST(JobRangeTest, InRangeValuesStay)
{
    EXPECT_EQ(Clamp(0, 0x2FFF), (JobRange{0, 0x2FFF}));
    EXPECT_EQ(Clamp(0x100, 0x1FF), (JobRange{0x100, 0x1FF}));
    EXPECT_EQ(Clamp(0x2FFE, 0), (JobRange{0x2FFE, 0}));
}

TEST(JobRangeTest, StartPastTheLastAddressBecomesZero)
{
    EXPECT_EQ(Clamp(0x2FFF, 0x2FFF).start, 0x2FFF) << "a file may end with one byte at the top";
    EXPECT_EQ(Clamp(0x3000, 0x10).start, 0);
    EXPECT_EQ(Clamp(0x7FFFFFFF, 0x10).start, 0);
}

TEST(JobRangeTest, FinishOnePastTheDeviceIsAccepted)
{
    EXPECT_EQ(Clamp(0, 0x3000).finish, 0x3000);
    EXPECT_EQ(Clamp(0, 0x3001).finish, 0x2FFF);
    EXPECT_EQ(Clamp(0, 0x7FFFFFFF).finish, 0x2FFF);
}

TEST(JobRangeTest, NegativeValuesAreOutOfRange)
{
    // "ffffffff" and "80000000" read as negative 32-bit values.
    EXPECT_EQ(Clamp(-1, -1), (JobRange{0, 0x2FFF}));
    EXPECT_EQ(Clamp(INT32_MIN, INT32_MIN), (JobRange{0, 0x2FFF}));
}

TEST(JobRangeTest, AFieldWithoutANumberIsOutOfRange)
{
    EXPECT_EQ(Clamp(std::nullopt, 0x20), (JobRange{0, 0x20}));
    EXPECT_EQ(Clamp(0x20, std::nullopt), (JobRange{0x20, 0x2FFF}));
    EXPECT_EQ(Clamp(std::nullopt, std::nullopt), (JobRange{0, 0x2FFF}));
}

TEST(JobRangeTest, StartAfterFinishIsEmpty)
{
    const JobRange r = Clamp(0x200, 0x100);
    EXPECT_EQ(r, (JobRange{0x200, 0x100}));
    EXPECT_TRUE(r.empty());
    EXPECT_FALSE(Clamp(0x100, 0x100).empty());
}

TEST(JobRangeTest, ANonsenseDeviceSizeGivesNoRange)
{
    EXPECT_EQ(JobRange::FromFields(5, 5, INT32_MIN), (JobRange{0, -1}));
    EXPECT_EQ(JobRange::FromFields(std::nullopt, std::nullopt, 0), (JobRange{0, -1}));
}
