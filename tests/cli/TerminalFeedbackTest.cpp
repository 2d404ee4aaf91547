// The terminal's progress and messages, on a memory stream with a clock the
// test moves.
#include <TerminalFeedback.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace {

using Style = TerminalFeedback::Style;
using Buttons = JobFeedback::Buttons;

class TerminalFeedbackTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        std::fclose(stream);
        std::free(buffer);
    }
    TerminalFeedback make(Style style)
    {
        return TerminalFeedback(stream, style, [this] { return stop; }, [this] { return now; });
    }
    std::string take()
    {
        std::fflush(stream);
        std::string text(buffer, size);
        std::rewind(stream);
        size = 0;
        return text;
    }

    char* buffer = nullptr;
    size_t size = 0;
    std::FILE* stream = open_memstream(&buffer, &size);
    double now = 100.0;
    bool stop = false;
};

} // namespace

TEST_F(TerminalFeedbackTest, BarRedrawsInPlaceTenTimesASecondAtMost)
{
    TerminalFeedback f = make(Style::Bar);
    f.begin("write", "fw.bin");
    EXPECT_EQ(take(), "\rwrite         0.0 s");
    f.progressRange(0, 0x2FFF);
    EXPECT_EQ(take(), "\rwrite       [........................]   0%  0x0000  0.0 s");
    now += 0.05;
    f.progress(0x1800);
    EXPECT_FALSE(f.stopRequested());
    EXPECT_EQ(take(), "") << "too soon";
    now += 0.06;
    f.progress(0x1800);
    EXPECT_EQ(take(), "\rwrite       [############............]  50%  0x1800  0.1 s");
    now += 1.5;
    EXPECT_FALSE(f.stopRequested());
    EXPECT_EQ(take(), "\rwrite       [############............]  50%  0x1800  1.6 s") << "the time moves on";
    now += 1.0;
    f.progress(0);
    EXPECT_EQ(take(), "") << "the window's return to 0 is not shown";
    f.message("Error programming device", "ERROR", Buttons::Ok);
    EXPECT_EQ(take(), "\r" + std::string(58, ' ') + "\rvorlane-cli: Error programming device\n");
    f.message("Memory erased", "", Buttons::Ok);
    f.summary("wrote 5 bytes");
    EXPECT_EQ(take(), "wrote 5 bytes\n");
    EXPECT_EQ(f.errors(), 1);
    EXPECT_DOUBLE_EQ(f.elapsed(), 2.61);
}

TEST_F(TerminalFeedbackTest, LinesAndQuiet)
{
    TerminalFeedback lines = make(Style::Lines);
    lines.begin("read", "0x0000-0x2FFF into out.hex");
    lines.progressRange(0, 0x2FFF);
    now += 1;
    lines.progress(0x100);
    lines.stopRequested();
    lines.message("Memory is blanck", "", Buttons::Ok);
    lines.summary("read 12,288 bytes");
    EXPECT_EQ(take(), "read: 0x0000-0x2FFF into out.hex\nread 12,288 bytes\n");

    TerminalFeedback quiet = make(Style::Quiet);
    quiet.begin("erase", "the whole chip");
    quiet.progressRange(0, 0x2FFF);
    quiet.summary("erased");
    quiet.message("No answer from the chip", "ERROR", Buttons::Ok);
    EXPECT_EQ(take(), "vorlane-cli: No answer from the chip\n");
}

TEST_F(TerminalFeedbackTest, ALogHearsOfEachTenthOnceASecondHasPassed)
{
    TerminalFeedback f = make(Style::Lines);
    f.begin("write", "fw.bin");
    f.progressRange(0, 999);
    const struct {
        double seconds;
        int32_t position;
        const char* line;
    } steps[] = {
        {0.5, 150, ""},                            // too soon
        {0.6, 190, "write: 19%, 0x00BE, 1.1 s\n"},
        {2.0, 260, "write: 26%, 0x0104, 3.1 s\n"}, // 20% was passed unseen
        {2.0, 290, ""},                            // the same tenth
        {2.0, 999, "write: 99%, 0x03E7, 7.1 s\n"},
    };
    EXPECT_EQ(take(), "write: fw.bin\n");
    for (const auto& step : steps) {
        now += step.seconds;
        f.progress(step.position);
        EXPECT_EQ(take(), step.line) << step.position;
    }
}

TEST_F(TerminalFeedbackTest, StopComesFromTheSignal)
{
    TerminalFeedback f = make(Style::Quiet);
    EXPECT_FALSE(f.stopRequested());
    stop = true;
    EXPECT_TRUE(f.stopRequested());
}
