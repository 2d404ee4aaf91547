#include "AppFixture.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

// Runs start-up with the trace on and gives back the data bytes written.
class ResetModeTest : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        notFirstRun();
        tracePath = dir.filePath(QStringLiteral("trace.txt"));
        traceTo(tracePath);
    }

    QString writes()
    {
        ReopenWindowPortForTesting(); // flushes the trace
        QFile f(tracePath);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QStringList bytes;
        for (const QByteArray& line : f.readAll().split('\n')) {
            const QList<QByteArray> parts = line.split(' ');
            if (parts.size() == 3 && parts[1] == "W")
                bytes << QString::fromLatin1(parts[2]);
        }
        return bytes.join(QLatin1Char(' '));
    }

    QTemporaryDir dir;
    QString tracePath;
};

} // namespace

TEST_F(ResetModeTest, DashRPulsesTheResetAndEnds)
{
    put("LPT", 0x278);
    EXPECT_FALSE(start({QStringLiteral("-r")}));
    EXPECT_TRUE(app->mainFrame()->isVisible());
    exitApp();
    EXPECT_EQ(writes(), QStringLiteral("00 01 00 00 04 07 FF"))
        << "no release before the settings are loaded, then one pulse";
    EXPECT_EQ(stored("LPT").toInt(), 0x278) << "the settings are stored";
    EXPECT_EQ(stored("Written Time").toInt(), 2600);
}

TEST_F(ResetModeTest, DashRInsideALongerFlagAlsoPulses)
{
    EXPECT_FALSE(start({QStringLiteral("-reset")}));
    exitApp();
    EXPECT_EQ(writes(), QStringLiteral("00 01 00 00 04 07 FF"));
}

TEST_F(ResetModeTest, SlashOrUpperCaseRunsInteractively)
{
    EXPECT_TRUE(start({QStringLiteral("-R")}));
    exitApp();
    EXPECT_EQ(writes(), QString());
    // On Linux "/r" is a path, not a flag; it must not pulse either.
    EXPECT_FALSE(start({QStringLiteral("/r")}));
    exitApp();
    EXPECT_FALSE(writes().contains(QStringLiteral("00 01 00 00 04 07 FF")));
}

TEST_F(ResetModeTest, UnloadedSettingsAreNotStoredWhenStartUpEndsEarly)
{
    put("LPT", 0x3BC);
    put("Up Time", 7);
    EXPECT_FALSE(start({dir.filePath(QStringLiteral("missing.hex")), QStringLiteral("-r")}));
    exitApp();
    EXPECT_EQ(stored("LPT").toInt(), 0x3BC);
    EXPECT_EQ(stored("Up Time").toInt(), 7);
    EXPECT_FALSE(writes().contains(QStringLiteral("00 01 00 00 04 07 FF"))) << "no reset-only run with a file";
}
