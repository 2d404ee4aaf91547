// The program itself, started with a file name as a programming station would.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class UnattendedWriteTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QDir(dir.path()).mkpath(QStringLiteral("config/Castavel/Vorlane"));
        writeFile(QStringLiteral("config/Castavel/Vorlane/Vorlane.conf"), "[Settings]\nFirst%20Time%202=0\n");
        chip = dir.filePath(QStringLiteral("chip.bin"));
    }

    QString writeFile(const QString& name, const QByteArray& bytes)
    {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    }

    int runVorlane(const QStringList& arguments, const QString& port)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("VORLANE_PORT"), port);
        env.insert(QStringLiteral("VORLANE_UNATTENDED"), QStringLiteral("1"));
        env.remove(QStringLiteral("VORLANE_TRACE"));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(VORLANE_BINARY), arguments);
        EXPECT_TRUE(p.waitForFinished(60000));
        errors = QString::fromLocal8Bit(p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

    QByteArray chipBytes() const
    {
        QFile f(chip);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir dir;
    QString chip;
    QString errors;
};

} // namespace

TEST_F(UnattendedWriteTest, WritesAnSdccFileAndExitsZero)
{
    // LF line ends and 32-byte records, as SDCC writes them.
    QByteArray record = ":20010000";
    int sum = 0x20 + 0x01;
    for (int i = 0; i < 32; ++i) {
        record += QByteArray::number(0x40 + i, 16).toUpper();
        sum += 0x40 + i;
    }
    record += QByteArray::number((0x100 - (sum & 0xFF)) & 0xFF, 16).rightJustified(2, '0').toUpper();
    const QString file = writeFile(QStringLiteral("fw.ihx"), ":020000040000FA\n" + record + "\n:00000001FF\n");
    EXPECT_EQ(runVorlane({file}, QStringLiteral("sim:") + chip), 0) << errors.toStdString();
    const QByteArray flash = chipBytes();
    ASSERT_EQ(flash.size(), 12288);
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(static_cast<uint8_t>(flash[0x100 + i]), 0x40 + i);
    EXPECT_EQ(static_cast<uint8_t>(flash[0x0FF]), 0xFF);
    EXPECT_EQ(static_cast<uint8_t>(flash[0x120]), 0xFF) << "one past the data is written as the image holds it";
    EXPECT_FALSE(errors.contains(QStringLiteral("ERROR"))) << errors.toStdString();
}

TEST_F(UnattendedWriteTest, FileWithDashRIsWrittenNotReset)
{
    const QString file = writeFile(QStringLiteral("tiny.bin"), QByteArray("\x02\x00\x30", 3));
    EXPECT_EQ(runVorlane({file, QStringLiteral("-r")}, QStringLiteral("sim:") + chip), 0);
    EXPECT_EQ(chipBytes().left(3), QByteArray("\x02\x00\x30", 3));
}

TEST_F(UnattendedWriteTest, AbsentTargetExitsOne)
{
    const QString file = writeFile(QStringLiteral("fw.hex"), ":0100000055AA\r\n:00000001FF\r\n");
    EXPECT_EQ(runVorlane({file}, QStringLiteral("none")), 1);
    EXPECT_TRUE(errors.contains(QStringLiteral("ERROR: Error programming device"))) << errors.toStdString();
}

TEST_F(UnattendedWriteTest, MissingFileExitsTwo)
{
    EXPECT_EQ(runVorlane({dir.filePath(QStringLiteral("nothing.hex"))}, QStringLiteral("sim:") + chip), 2);
    EXPECT_TRUE(errors.contains(QStringLiteral("nothing.hex"))) << errors.toStdString();
    EXPECT_FALSE(QFile::exists(chip)) << "start-up ended before any port was opened";
}

TEST_F(UnattendedWriteTest, RefusedFileWritesNothingAndExitsTwo)
{
    const QString file = writeFile(QStringLiteral("huge.bin"), QByteArray(20481, '\0'));
    EXPECT_EQ(runVorlane({file}, QStringLiteral("sim:") + chip), 2);
    EXPECT_EQ(errors.count(QStringLiteral("Can't open files larger than 20Kb")), 2);
    const QByteArray flash = chipBytes();
    EXPECT_EQ(flash.count('\xFF'), flash.size()) << "the reset vector was not touched";
}

TEST(CommandLineFlagsTest, HelpAndVersionPrintAndExitZero)
{
    for (const char* flag : {"--help", "--version"}) {
        QProcess p;
        p.start(QStringLiteral(VORLANE_BINARY), {QString::fromLatin1(flag)});
        ASSERT_TRUE(p.waitForFinished(20000));
        EXPECT_EQ(p.exitCode(), 0);
        const QString out = QString::fromLocal8Bit(p.readAllStandardOutput());
        EXPECT_TRUE(out.startsWith(flag == QLatin1String("--help") ? "Usage: vorlane" : "vorlane ")) << out.toStdString();
    }
}
