// The program itself, started with a file name as a programming station would.
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>

#include <sys/stat.h>
#include <unistd.h>

namespace {

class UnattendedWriteTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QDir(dir.path()).mkpath(QStringLiteral("config/Castavel/Vorlane"));
        writeFile(QStringLiteral("config/Castavel/Vorlane/Vorlane.conf"), "[Settings]\nFirst%20Time%202=0\n");
        chip = dir.filePath(QStringLiteral("chip.bin"));
        // A programmed chip without a single 0xFF: any byte written where
        // it should not be shows.
        for (int a = 0; a < 12288; ++a)
            programmed += static_cast<char>(a * 7 % 251);
        writeFile(QStringLiteral("chip.bin"), programmed);
    }

    QString writeFile(const QString& name, const QByteArray& bytes)
    {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    }

    int runVorlane(const QStringList& arguments, const QString& port, const QString& settings = {})
    {
        if (!settings.isEmpty())
            writeFile(QStringLiteral("config/Castavel/Vorlane/Vorlane.conf"),
                      ("[Settings]\nFirst%20Time%202=0\n" + settings).toLatin1());
        QProcess p;
        start(p, arguments, port);
        // A message box that waits for a click never ends: that is a failure.
        EXPECT_TRUE(p.waitForFinished(timeoutMs));
        errors = QString::fromLocal8Bit(p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

    void start(QProcess& p, const QStringList& arguments, const QString& port)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("VORLANE_PORT"), port);
        env.insert(QStringLiteral("VORLANE_UNATTENDED"), QStringLiteral("1"));
        env.remove(QStringLiteral("VORLANE_TRACE"));
        if (adjustEnvironment)
            adjustEnvironment(env);
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(dir.path());
        if (runAs.isEmpty())
            p.start(QStringLiteral(VORLANE_BINARY), arguments);
        else
            p.start(runAs[0], runAs.mid(1) + QStringList{QStringLiteral(VORLANE_BINARY)} + arguments);
    }

    // As on a station without X11 or Wayland, and no platform named.
    static void WithoutDisplay(QProcessEnvironment& env)
    {
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QLatin1String(name));
    }

    // The data bytes a trace file shows written, blank-separated.
    static QString TracedWrites(const QString& path)
    {
        QFile f(path);
        QStringList bytes;
        if (f.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : f.readAll().split('\n')) {
                const QList<QByteArray> parts = line.split(' ');
                if (parts.size() == 3 && parts[1] == "W")
                    bytes << QString::fromLatin1(parts[2]);
            }
        }
        return bytes.join(QLatin1Char(' '));
    }

    QByteArray chipBytes() const
    {
        QFile f(chip);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir dir;
    QString chip;
    QByteArray programmed;
    QString errors;
    std::function<void(QProcessEnvironment&)> adjustEnvironment;
    int timeoutMs = 60000;
    QStringList runAs; // a program that runs vorlane as another user
};

// One Intel HEX record with its checksum, LF ended.
QByteArray Record(int address, const QByteArray& data, int type = 0)
{
    QByteArray line = ":" + QByteArray::number(data.size(), 16).rightJustified(2, '0') +
                      QByteArray::number(address, 16).rightJustified(4, '0') +
                      QByteArray::number(type, 16).rightJustified(2, '0');
    int sum = data.size() + (address >> 8) + (address & 0xFF) + type;
    for (char c : data) {
        line += QByteArray::number(static_cast<uint8_t>(c), 16).rightJustified(2, '0');
        sum += static_cast<uint8_t>(c);
    }
    return line.toUpper() + QByteArray::number((0x100 - (sum & 0xFF)) & 0xFF, 16).rightJustified(2, '0').toUpper() +
           "\n";
}

QByteArray Counting(int n, int first)
{
    QByteArray bytes;
    for (int i = 0; i < n; ++i)
        bytes += static_cast<char>(first + i);
    return bytes;
}

} // namespace

TEST_F(UnattendedWriteTest, WritesAnSdccFileExactlyAndNothingElse)
{
    // LF line ends, a zero 04 record and 32-byte records, as SDCC writes them.
    const QString file = writeFile(QStringLiteral("fw.ihx"), ":020000040000FA\n" + Record(0x100, Counting(32, 0x40)) +
                                                                 Record(0x200, Counting(16, 0x80)) + ":00000001FF\n");
    EXPECT_EQ(runVorlane({file}, QStringLiteral("sim:") + chip), 0) << errors.toStdString();
    QByteArray expected = programmed;
    expected.replace(0x100, 32, Counting(32, 0x40));
    expected.replace(0x200, 16, Counting(16, 0x80));
    const QByteArray flash = chipBytes();
    ASSERT_EQ(flash.size(), 12288);
    EXPECT_EQ(flash.mid(0xF0, 0x130).toHex(), expected.mid(0xF0, 0x130).toHex())
        << "the gap between the records, and 0x210 past the file's last byte, keep what the chip held";
    EXPECT_EQ(flash, expected);
    EXPECT_FALSE(errors.contains(QStringLiteral("ERROR"))) << errors.toStdString();
}

TEST_F(UnattendedWriteTest, FilesWithoutACompleteProgramForTheDeviceWriteNothing)
{
    ASSERT_EQ(mkfifo(dir.filePath(QStringLiteral("pipe.hex")).toLocal8Bit().constData(), 0600), 0);
    QDir(dir.path()).mkdir(QStringLiteral("folder.bin"));
    {
        QFile huge(dir.filePath(QStringLiteral("huge.hex")));
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
        ASSERT_TRUE(huge.resize(qint64{64} << 30)); // sparse
    }
    QByteArray longBinary(16384, '\x11');
    const struct {
        const char* name;
        QByteArray bytes; // null: made above or missing
        const char* told;
    } cases[] = {
        {"empty.hex", "", "holds no data"},
        {"empty.bin", "", "holds no data"},
        {"end-only.hex", ":00000001FF\n", "holds no data"},
        {"text.hex", "just some text\n", "holds no data"},
        {"high.hex", ":020000040001F9\n" + Record(0, Counting(16, 1)), "lie outside it"},
        {"far.hex", Record(0xFFF0, Counting(16, 1)), "lie outside it"},
        {"checksum.hex", Record(0, Counting(16, 1)) + ":0100100011DF\n", "line 2: damaged"},
        {"short.hex", ":0400100001020304\n", "line 1: damaged"},
        {"nul.hex", QByteArray(":0100000011EE\n:0100\0" "10022CD\n", 23), "line 2: damaged"},
        {"part.hex", Record(0, Counting(16, 1)) + Record(0x2FF8, Counting(16, 1)), "was not written"},
        {"long.bin", longBinary, "was not written"},
        {"big.bin", QByteArray(20481, '\x11'), "Can't open files larger than 20Kb"},
        {"huge.hex", {}, "Can't open Intel HEX files larger than 8Mb"},
        {"pipe.hex", {}, "no es un archivo normal"},
        {"folder.bin", {}, "es una carpeta"},
        {"missing.hex", {}, "No se encontr"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = c.bytes.isNull() ? dir.filePath(QLatin1String(c.name))
                                              : writeFile(QLatin1String(c.name), c.bytes);
        EXPECT_EQ(runVorlane({file}, QStringLiteral("sim:") + chip), 2) << errors.toStdString();
        EXPECT_TRUE(errors.contains(QLatin1String(c.told))) << errors.toStdString();
        ASSERT_EQ(chipBytes(), programmed) << "the chip was touched";
    }
}

TEST_F(UnattendedWriteTest, TheStoredChipDecidesWhatFits)
{
    // Loaded before the settings name the AT89S51, the file is checked
    // again against its 4 KB: the bytes past it are refused, not cut off.
    const QString port = QStringLiteral("sim:") + dir.filePath(QStringLiteral("chip.bin"));
    // The AT89S51's file beside the AT89S53's.
    const QString s51 = dir.filePath(QStringLiteral("chip.s51.bin"));
    const QString big = writeFile(QStringLiteral("big.hex"), Record(0x0F00, Counting(16, 1)) +
                                                                 Record(0x1000, Counting(16, 1)) + ":00000001FF\n");
    EXPECT_EQ(runVorlane({big}, port, QStringLiteral("Device=51\n")), 2) << errors.toStdString();
    EXPECT_TRUE(errors.contains(QStringLiteral("big.hex: 16 bytes lie outside the device (0x0000-0x0FFF)")))
        << errors.toStdString();
    EXPECT_FALSE(QFile::exists(s51)) << "a refused write never touches the chip";

    const QString fits = writeFile(QStringLiteral("fits.hex"), Record(0x0FF0, Counting(16, 1)) + ":00000001FF\n");
    EXPECT_EQ(runVorlane({fits}, port, QStringLiteral("Device=51\n")), 0) << errors.toStdString();
    QFile chip51(s51);
    ASSERT_TRUE(chip51.open(QIODevice::ReadOnly));
    const QByteArray flash = chip51.readAll();
    EXPECT_EQ(flash.size(), 4096);
    EXPECT_EQ(flash.mid(0xFF0), Counting(16, 1));
}

TEST_F(UnattendedWriteTest, ErasedPaddingPastTheDeviceIsNoLoss)
{
    QByteArray file = Counting(16, 0x20) + QByteArray(12288 - 16, '\x33');
    file += QByteArray(4096, '\xFF');
    EXPECT_EQ(runVorlane({writeFile(QStringLiteral("padded.bin"), file)}, QStringLiteral("sim:") + chip), 0)
        << errors.toStdString();
    EXPECT_EQ(chipBytes(), file.left(12288));
}

TEST_F(UnattendedWriteTest, FileWithDashRIsWrittenNotReset)
{
    const QString file = writeFile(QStringLiteral("tiny.bin"), QByteArray("\x02\x00\x30", 3));
    EXPECT_EQ(runVorlane({file, QStringLiteral("-r")}, QStringLiteral("sim:") + chip), 0);
    EXPECT_EQ(chipBytes().left(4), QByteArray("\x02\x00\x30", 3) + programmed.mid(3, 1));
}

TEST_F(UnattendedWriteTest, NoPortOrNoChipFileIsAFailure)
{
    const QString file = writeFile(QStringLiteral("fw.hex"), ":0100000055AA\r\n:00000001FF\r\n");
    const struct {
        const char* what;
        QString port;
        QString settings;
        const char* reason;
    } cases[] = {
        {"none", QStringLiteral("none"), {}, "ERROR: No port: VORLANE_PORT=none"},
        {"none without read-back", QStringLiteral("none"), QStringLiteral("ReadAfterWrite=0\n"),
         "ERROR: No port: VORLANE_PORT=none"},
        {"a chip file in a missing folder", QStringLiteral("sim:") + dir.filePath(QStringLiteral("gone/chip.bin")),
         QStringLiteral("ReadAfterWrite=0\n"), "gone/chip.bin"},
        {"a chip file that is a folder", QStringLiteral("sim:") + dir.path(), QStringLiteral("ReadAfterWrite=0\n"),
         "chip file"},
        {"a VORLANE_PORT of no known kind", QStringLiteral("parport0"), {}, "ERROR: No port: VORLANE_PORT=parport0 "},
        {"no such device", QStringLiteral("ppdev:") + dir.filePath(QStringLiteral("parport9")), {},
         "No such file or directory"},
        {"a device without permission", QStringLiteral("ppdev:") + writeFile(QStringLiteral("parport8"), {}), {},
         "Permission denied"},
    };
    QFile::setPermissions(dir.filePath(QStringLiteral("parport8")), QFileDevice::Permissions{});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        // Root opens anything: that case runs as nobody, the file readable.
        runAs.clear();
        if (QLatin1String(c.reason) == QLatin1String("Permission denied") && geteuid() == 0) {
            const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
            ASSERT_FALSE(setpriv.isEmpty()) << "setpriv (util-linux) runs the case as nobody";
            runAs = QStringList{setpriv, QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                                QStringLiteral("--clear-groups")};
            QFile::setPermissions(dir.path(), QFile::permissions(dir.path()) | QFileDevice::ExeOther |
                                                  QFileDevice::ReadOther);
        }
        EXPECT_EQ(runVorlane({file}, c.port, c.settings), 1) << errors.toStdString();
        const int reason = errors.indexOf(QLatin1String(c.reason));
        EXPECT_GE(reason, 0) << errors.toStdString();
        EXPECT_GT(errors.indexOf(QStringLiteral("ERROR: Error programming device")), reason) << errors.toStdString();
    }
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("gone"))));
}

TEST(CommandLineFlagsTest, HelpAndVersionPrintAndExitZeroWithoutADisplay)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QLatin1String(name));
    for (const char* flag : {"--help", "--version"}) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(VORLANE_BINARY), {QString::fromLatin1(flag)});
        ASSERT_TRUE(p.waitForFinished(20000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 0);
        const QString out = QString::fromLocal8Bit(p.readAllStandardOutput());
        if (flag == QLatin1String("--help")) {
            EXPECT_TRUE(out.startsWith(QStringLiteral("Usage: vorlane"))) << out.toStdString();
        } else {
            EXPECT_EQ(out, QStringLiteral("vorlane " VORLANE_VERSION "\n"));
        }
        // Text that never reached its reader is a failure, as with coreutils.
        p.setStandardOutputFile(QStringLiteral("/dev/full"));
        p.start(QStringLiteral(VORLANE_BINARY), {QString::fromLatin1(flag)});
        ASSERT_TRUE(p.waitForFinished(20000));
        EXPECT_EQ(p.exitCode(), 2);
        EXPECT_EQ(p.readAllStandardError(), "vorlane: standard output: No space left on device\n");
    }
}

TEST_F(UnattendedWriteTest, QtsOwnOptionsNameNoFileAndAskNoReset)
{
    // Files named like the values of Qt's options, in the working folder.
    const QByteArray firmware = Record(0, Counting(16, 1)) + ":00000001FF\n";
    writeFile(QStringLiteral("Fusion"), firmware);
    writeFile(QStringLiteral("ID"), firmware);
    const QString trace = dir.filePath(QStringLiteral("trace.txt"));
    adjustEnvironment = [&trace](QProcessEnvironment& env) { env.insert(QStringLiteral("VORLANE_TRACE"), trace); };
    const QStringList resets[] = {{"-style", "Fusion", "-r"}, {"-session", "ID", "-r"}, {"-reverse", "-r"}};
    for (const QStringList& arguments : resets) {
        SCOPED_TRACE(arguments.join(QLatin1Char(' ')).toStdString());
        QFile::remove(trace);
        EXPECT_EQ(runVorlane(arguments, QStringLiteral("sim:") + chip), 0) << errors.toStdString();
        EXPECT_EQ(chipBytes(), programmed) << "no file was written";
        EXPECT_EQ(TracedWrites(trace), QStringLiteral("00 01 00 00 04 07 FF")) << "one reset pulse";
        EXPECT_FALSE(errors.contains(QStringLiteral("No se encontr"))) << errors.toStdString();
    }
    // "-reverse" alone asks for nothing unattended; without a display there
    // is then nothing to do, and no reset pulse.
    QFile::remove(trace);
    adjustEnvironment = [&trace](QProcessEnvironment& env) {
        WithoutDisplay(env);
        env.insert(QStringLiteral("VORLANE_TRACE"), trace);
    };
    EXPECT_EQ(runVorlane({QStringLiteral("-reverse")}, QStringLiteral("sim:") + chip), 1) << errors.toStdString();
    EXPECT_TRUE(errors.contains(QStringLiteral("vorlane: no display to show the window on"))) << errors.toStdString();
    EXPECT_EQ(TracedWrites(trace), QString());
}

TEST_F(UnattendedWriteTest, WithoutADisplayAFileIsStillWritten)
{
    adjustEnvironment = WithoutDisplay;
    const QString file = writeFile(QStringLiteral("tiny.bin"), QByteArray("\x02\x00\x30", 3));
    EXPECT_EQ(runVorlane({file}, QStringLiteral("sim:") + chip), 0) << errors.toStdString();
    EXPECT_EQ(chipBytes().left(3), QByteArray("\x02\x00\x30", 3));
    EXPECT_FALSE(errors.contains(QStringLiteral("propagateSizeHints"))) << errors.toStdString();
    EXPECT_EQ(runVorlane({QStringLiteral("-r")}, QStringLiteral("none")), 1) << "no port to pulse";
    EXPECT_TRUE(errors.contains(QStringLiteral("ERROR: No port: VORLANE_PORT=none"))) << errors.toStdString();
}

TEST_F(UnattendedWriteTest, UnattendedAcceptsOneTrueAndYes)
{
    timeoutMs = 20000;
    const QString file = writeFile(QStringLiteral("empty.hex"), "");
    for (const char* value : {"1", "true", "yes", "TRUE", "Yes"}) {
        SCOPED_TRACE(value);
        adjustEnvironment = [value](QProcessEnvironment& env) {
            env.insert(QStringLiteral("VORLANE_UNATTENDED"), QLatin1String(value));
        };
        EXPECT_EQ(runVorlane({file}, QStringLiteral("sim:") + chip), 2);
        EXPECT_TRUE(errors.contains(QStringLiteral("holds no data"))) << errors.toStdString();
    }
}

TEST_F(UnattendedWriteTest, AnUnwritableTraceIsToldAndTheWriteGoesOn)
{
    // A FIFO nobody reads never holds the program before its window.
    ASSERT_EQ(mkfifo(dir.filePath(QStringLiteral("fifo")).toLocal8Bit().constData(), 0600), 0);
    timeoutMs = 20000;
    for (const char* name : {"missing/trace.txt", "fifo"}) {
        const QString trace = dir.filePath(QLatin1String(name));
        const char* reason = trace.endsWith("fifo") ? "no program reads this FIFO" : "No such file or directory";
        adjustEnvironment = [trace](QProcessEnvironment& env) { env.insert(QStringLiteral("VORLANE_TRACE"), trace); };
        const QString file = writeFile(QStringLiteral("tiny.bin"), QByteArray("\x02\x00\x30", 3));
        EXPECT_EQ(runVorlane({file}, QStringLiteral("sim:") + chip), 0) << errors.toStdString();
        EXPECT_TRUE(errors.contains(QStringLiteral("vorlane: VORLANE_TRACE: cannot append to %1: %2")
                                        .arg(trace, QLatin1String(reason))))
            << errors.toStdString();
        EXPECT_EQ(chipBytes().left(3), QByteArray("\x02\x00\x30", 3));
    }
}

TEST_F(UnattendedWriteTest, AHangUpStopsTheWriteAsCtrlCDoes)
{
    // The terminal that started the station closed, or its ssh link dropped.
    QByteArray image; // no byte where the chip holds the same
    for (int a = 0; a < 12288; ++a)
        image += static_cast<char>((a * 11 + 5) % 253);
    const QString trace = dir.filePath(QStringLiteral("trace.txt"));
    adjustEnvironment = [&trace](QProcessEnvironment& env) { env.insert(QStringLiteral("VORLANE_TRACE"), trace); };
    QProcess p;
    start(p, {writeFile(QStringLiteral("fw.bin"), image)}, QStringLiteral("sim:") + chip);
    // Well into the bytes: some 2 KB of trace for each one written.
    while (QFileInfo(trace).size() < 256 * 1024 && !p.waitForFinished(5)) {
    }
    ::kill(static_cast<pid_t>(p.processId()), SIGHUP);
    ASSERT_TRUE(p.waitForFinished(timeoutMs));
    EXPECT_EQ(p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, 129);
    const QByteArray flash = chipBytes();
    qsizetype written = 0;
    while (written < flash.size() && flash[written] == image[written])
        ++written;
    EXPECT_GT(written, 64) << "the chip file keeps the bytes written";
    EXPECT_EQ(flash.mid(written), programmed.mid(written));
    EXPECT_TRUE(TracedWrites(trace).endsWith(QStringLiteral("00 04 07 FF"))) << "the lines are released";
}

TEST_F(UnattendedWriteTest, AClosedStandardErrorLosesMessagesNotTheWrite)
{
    // As `vorlane fw.bin 2>&1 | head -0`: standard error a pipe nobody reads.
    runAs = QStringList{QStringLiteral("/bin/bash"), QStringLiteral("-c"),
                        QStringLiteral("exec 2> >(:); wait $!; exec \"$0\" \"$@\"")};
    const QString file = writeFile(QStringLiteral("tiny.bin"), QByteArray("\x02\x00\x30", 3));
    EXPECT_EQ(runVorlane({file}, QStringLiteral("sim:") + chip), 0);
    EXPECT_EQ(chipBytes().left(4), QByteArray("\x02\x00\x30", 3) + programmed.mid(3, 1));
}
