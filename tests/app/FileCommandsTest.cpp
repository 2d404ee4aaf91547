#include "AppFixture.h"

#include <CSaveRangeDlg.h>
#include <CVorlaneDoc.h>
#include <FileCommands.h>
#include <ModalAnswer.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>

#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

class FileCommandsTest : public InteractiveAppFixture {
protected:
    QString write(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    static QByteArray read(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    void chooseInOpenDialog(const QString& path)
    {
        AnswerNextModal<QFileDialog>([path](QFileDialog& d) {
            d.selectFile(path);
            QMetaObject::invokeMethod(&d, "accept");
        });
    }
    void answerSaveRange(const QString& from, const QString& to)
    {
        AnswerNextModal<CSaveRangeDlg>([from, to](CSaveRangeDlg& d) {
            d.startEdit()->setText(from);
            d.finishEdit()->setText(to);
            d.accept();
        });
    }

    CVorlaneDoc& doc() { return *app->document(); }
    DeviceImage& image() { return doc().image(); }
    int marked(uint8_t mark)
    {
        int n = 0;
        for (int a = 0; a < image().deviceSize; ++a)
            n += image().marks[a] == mark;
        return n;
    }

    QTemporaryDir dir;
};

const QByteArray kHex = ":0400100001020304E2\n:00000001FF\n"; // LF only, as SDCC writes

} // namespace

TEST_F(FileCommandsTest, OpenCommandLoadsTwiceAndLeavesNoMarks)
{
    image().chipCache[0x10] = 0x55;
    const QString path = write(QStringLiteral("fw.ihx"), kHex);
    chooseInOpenDialog(path);
    frame().runCommand(ID_FILE_OPEN);
    EXPECT_EQ(image().buffer[0x10], 0x01);
    EXPECT_EQ(image().buffer[0x13], 0x04);
    EXPECT_EQ(marked(MarkChanged), 0) << "the second load finds every byte equal";
    EXPECT_EQ(image().dataStart, 0x10);
    EXPECT_EQ(image().dataEnd, 0x13);
    EXPECT_EQ(image().chipCache[0x10], 0x55) << "files never touch the chip copy";
    EXPECT_EQ(app->currentDocument, &doc());
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("fw.ihx - Vorlane"));
    EXPECT_FALSE(doc().isModified());
    EXPECT_TRUE(frame().action(ID_FILE_MRU_FILE1)->isEnabled());
    EXPECT_TRUE(frame().action(ID_FILE_MRU_FILE1)->text().endsWith(QStringLiteral("fw.ihx")));
}

TEST_F(FileCommandsTest, AFailedOrRefusedOpenKeepsTheDocumentItsNameAndItsImage)
{
    const QString mine = write(QStringLiteral("mine.hex"), kHex);
    ASSERT_NE(app->OpenDocumentFile(mine), nullptr);
    image().buffer[0x20] = 0x42; // an edit not saved yet
    doc().SetModifiedFlag(true);
    ASSERT_EQ(mkfifo(dir.filePath(QStringLiteral("pipe.hex")).toLocal8Bit().constData(), 0600), 0);
    QDir(dir.path()).mkdir(QStringLiteral("folder.hex"));
    {
        QFile huge(dir.filePath(QStringLiteral("huge.hex")));
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
        ASSERT_TRUE(huge.resize(qint64{64} << 30)); // sparse: 64 GB that take no room
    }
    const struct {
        QString name;
        QByteArray bytes; // empty with create false: made above, or missing
        bool create;
        QString message;
    } cases[] = {
        {"gone.hex", {}, false, "No se encontró %1."},
        {"folder.hex", {}, false, "%1 es una carpeta, no un archivo."},
        {"pipe.hex", {}, false, "%1 no es un archivo normal."},
        {"huge.hex", {}, false, "Can't open Intel HEX files larger than 8Mb"},
        {"big.bin", QByteArray(20481, '\0'), true, "Can't open files larger than 20Kb"},
        {"empty.bin", {}, true, "empty.bin holds no data for the device (0x0000-0x2FFF). Nothing was loaded."},
        {"empty.hex", {}, true, "empty.hex holds no data for the device (0x0000-0x2FFF). Nothing was loaded."},
        {"text.hex", "not a record\n:00000001FF\n", true,
         "text.hex holds no data for the device (0x0000-0x2FFF). Nothing was loaded."},
        {"high.hex", ":020000040001F9\n:0400100001020304E2\n", true,
         "high.hex holds no data for the device (0x0000-0x2FFF): all its 4 bytes lie outside it. Nothing was loaded."},
        {"damaged.hex", ":0400100001020304E3\n", true,
         "damaged.hex, line 1: damaged Intel HEX record: checksum E3 where the record needs E2. Nothing was loaded."},
    };
    const auto before = image().buffer;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        const QString path = c.create ? write(c.name, c.bytes) : dir.filePath(c.name);
        messages.requests.clear();
        EXPECT_EQ(app->OpenDocumentFile(path), nullptr);
        // "No" at the prompt, then the open fails: the edit is still unsaved.
        EXPECT_EQ(messages.texts(), (QStringList{QStringLiteral("¿Guardar cambios a mine.hex?"),
                                                 c.message.contains("%1") ? c.message.arg(path) : c.message}));
        EXPECT_EQ(app->currentDocument, nullptr);
        EXPECT_EQ(doc().pathName(), mine);
        EXPECT_EQ(frame().windowTitle(), QStringLiteral("mine.hex - Vorlane"));
        EXPECT_TRUE(doc().isModified());
        EXPECT_EQ(image().buffer, before);
        EXPECT_EQ(app->files().recentFiles().files(), QStringList{mine});
    }

    // The Open command too: no placeholder name is left behind.
    messages.answers = {MessageAnswer::No};
    chooseInOpenDialog(dir.filePath(QStringLiteral("big.bin")));
    frame().runCommand(ID_FILE_OPEN);
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("mine.hex - Vorlane"));
    EXPECT_EQ(doc().pathName(), mine);
    EXPECT_TRUE(doc().isModified()) << "the edit is still not saved";
}

TEST_F(FileCommandsTest, DataOutsideTheDeviceIsToldOnceAndTheRestLoads)
{
    const QString path = write(QStringLiteral("part.hex"), ":0400100001020304E2\n:022FFF00AABB6B\n:00000001FF\n");
    ASSERT_NE(app->OpenDocumentFile(path), nullptr);
    EXPECT_EQ(messages.texts(),
              QStringList{"part.hex: 1 byte lies outside the device (0x0000-0x2FFF) and was left out."});
    EXPECT_EQ(image().buffer[0x13], 0x04);
    EXPECT_EQ(image().buffer[0x2FFF], 0xAA) << "the record's byte inside the device loads";
    EXPECT_EQ(image().dataEnd, 0x2FFF);
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("part.hex - Vorlane"));
}

TEST_F(FileCommandsTest, ReloadMarksExactlyTheChangedBytes)
{
    const QString path = write(QStringLiteral("fw.hex"), kHex);
    ASSERT_NE(app->OpenDocumentFile(path), nullptr);
    write(QStringLiteral("fw.hex"), ":0400100001AA03043A\r\n:00000001FF\r\n");
    frame().runCommand(ID_FILE_RELOAD);
    EXPECT_EQ(image().buffer[0x11], 0xAA);
    EXPECT_EQ(marked(MarkChanged), 1);
    EXPECT_EQ(image().marks[0x11], MarkChanged);
    EXPECT_FALSE(doc().isModified());

    // A file damaged since: refused, the image and its marks as they were.
    write(QStringLiteral("fw.hex"), ":0400100001BB03043A\r\n");
    frame().runCommand(ID_FILE_RELOAD);
    EXPECT_EQ(image().buffer[0x11], 0xAA);
    EXPECT_EQ(image().marks[0x11], MarkChanged);
    EXPECT_EQ(messages.texts().size(), 1);
}

TEST_F(FileCommandsTest, BinaryLoadsMarkNothingAndTooLargeIsRefusedOnce)
{
    QByteArray bytes(100, '\x11');
    const QString small = write(QStringLiteral("code.e51"), bytes);
    image().buffer[100] = 0x22;
    ASSERT_NE(app->OpenDocumentFile(small), nullptr);
    EXPECT_EQ(image().buffer[99], 0x11);
    EXPECT_EQ(image().buffer[100], 0x22);
    EXPECT_EQ(image().dataStart, 0);
    EXPECT_EQ(image().dataEnd, 100);
    EXPECT_EQ(marked(MarkChanged), 0);

    const QString big = write(QStringLiteral("big.bin"), QByteArray(20481, '\0'));
    EXPECT_EQ(app->OpenDocumentFile(big), nullptr);
    EXPECT_EQ(messages.texts(), QStringList{"Can't open files larger than 20Kb"});
    EXPECT_EQ(image().buffer[0], 0x11) << "nothing of it was read";
    EXPECT_EQ(image().dataStart, 0);
    EXPECT_EQ(image().dataEnd, 100);
    EXPECT_TRUE(doc().lastLoadRefused());
    EXPECT_EQ(doc().pathName(), small);
}

TEST_F(FileCommandsTest, HexInsideANameMakesIntelHexOfRecordsOnly)
{
    // buffer[0] once loaded; -1: refused. A .hex holding no record is
    // refused; no .hex in the name is binary, whatever the file holds.
    const struct {
        const char* name;
        QByteArray bytes;
        int first;
    } cases[] = {{"code.hex.bin", ":0100000055AA\r\n", 0x55}, {"dump.hex.bin", "\x02\x01\x30", 0x02},
                 {"fw.bin", ":0100000055AA\r\n", ':'},       {"fw.hex", "\x02\x01\x30", -1}};
    for (const auto& c : cases) {
        image().buffer[0] = 0xEE;
        EXPECT_EQ(app->OpenDocumentFile(write(QLatin1String(c.name), c.bytes)) != nullptr, c.first >= 0) << c.name;
        EXPECT_EQ(image().buffer[0], c.first >= 0 ? c.first : 0xEE) << c.name;
    }
}

TEST_F(FileCommandsTest, SaveAsWritesTheChosenRangeAndClearsMarks)
{
    image().buffer[0x10] = 1;
    image().buffer[0x11] = 2;
    image().buffer[0x12] = 3;
    image().marks[0x5] = MarkMismatch;
    doc().SetModifiedFlag(true);
    const QString path = dir.filePath(QStringLiteral("out.hex"));
    AnswerNextModal<QFileDialog>([path](QFileDialog& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Guardar como"));
        EXPECT_EQ(d.nameFilters(), QStringList{"Todos los archivos (*.*) (*)"});
        d.selectFile(path);
        QMetaObject::invokeMethod(&d, "accept");
    });
    // From above To is refused in the window, which stays open.
    AnswerNextModal<CSaveRangeDlg>([this](CSaveRangeDlg& d) {
        d.startEdit()->setText(QStringLiteral("12"));
        d.finishEdit()->setText(QStringLiteral("10"));
        d.accept();
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(messages.texts(), QStringList{"Nothing to save: From lies above To."});
        d.startEdit()->setText(QStringLiteral("10"));
        d.finishEdit()->setText(QStringLiteral("12"));
        d.accept();
    });
    frame().runCommand(ID_FILE_SAVE_AS);
    EXPECT_EQ(read(path), QByteArray(":03001000010203E7\r\n:00000001FF\r\n"));
    EXPECT_EQ(marked(MarkMismatch), 0);
    EXPECT_FALSE(doc().isModified());
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("out.hex - Vorlane"));

    // Save goes to the same file; closing the range window saves everything.
    AnswerNextModal<CSaveRangeDlg>([](CSaveRangeDlg& d) { d.reject(); });
    frame().runCommand(ID_FILE_SAVE);
    const QByteArray whole = read(path);
    EXPECT_EQ(whole.count('\n'), 769);
    EXPECT_TRUE(whole.endsWith(":102FF000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFE1\r\n:00000001FF\r\n"));
}

TEST_F(FileCommandsTest, FailedSaveKeepsTheOldFileAndTheModifiedFlag)
{
    const QString path = write(QStringLiteral("keep.hex"), kHex);
    ASSERT_NE(app->OpenDocumentFile(path), nullptr);
    doc().SetModifiedFlag(true);
    messages.requests.clear();
    // A disk that fills up: writes past 100 bytes fail, for root too.
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 100;
    signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    AnswerNextModal<CSaveRangeDlg>([](CSaveRangeDlg& d) { d.reject(); }); // the whole device
    const bool saved = doc().DoSave(path);
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_FALSE(saved);
    EXPECT_EQ(read(path), kHex);
    EXPECT_TRUE(doc().isModified());
    ASSERT_EQ(messages.requests.size(), 1u);
    EXPECT_TRUE(messages.requests[0].text.contains(QStringLiteral("keep.hex"))) << messages.requests[0].text.toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"keep.hex"}) << "no temporary file left";
}

TEST_F(FileCommandsTest, CancelAtTheSavePromptStopsNewOpenRecentAndReload)
{
    const QString other = write(QStringLiteral("other.hex"), ":01000000AA55\n");
    const QString mine = write(QStringLiteral("mine.hex"), kHex);
    ASSERT_NE(app->OpenDocumentFile(other), nullptr);
    ASSERT_NE(app->OpenDocumentFile(mine), nullptr);
    const QStringList recent = app->files().recentFiles().files();
    const struct {
        const char* command;
        std::function<void()> run;
    } cases[] = {
        {"New", [&] { frame().runCommand(ID_FILE_NEW); }},
        {"Open", [&] { chooseInOpenDialog(other); frame().runCommand(ID_FILE_OPEN); }},
        {"a recent file", [&] { frame().runCommand(ID_FILE_MRU_FILE1 + 1); }},
        {"the recent entry of this file", [&] { frame().runCommand(ID_FILE_MRU_FILE1); }},
        {"Reload", [&] { frame().runCommand(ID_FILE_RELOAD); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        image().buffer[0x10] = 0x99;
        doc().SetModifiedFlag(true);
        messages.requests.clear();
        messages.answers = {MessageAnswer::Cancel};
        c.run();
        EXPECT_EQ(messages.texts(), QStringList{"¿Guardar cambios a mine.hex?"});
        EXPECT_EQ(messages.requests[0].buttons, MessageButtons::YesNoCancel);
        EXPECT_EQ(image().buffer[0x10], 0x99);
        EXPECT_TRUE(doc().isModified());
        EXPECT_EQ(frame().windowTitle(), QStringLiteral("mine.hex - Vorlane"));
        EXPECT_EQ(app->files().recentFiles().files(), recent);
    }

    messages.answers = {MessageAnswer::No};
    image().buffer[0x3000] = 0x00; // past the device, as a long binary left it
    frame().runCommand(ID_FILE_NEW);
    EXPECT_FALSE(doc().isModified());
    EXPECT_EQ(image().buffer[0x10], 0xFF);
    EXPECT_EQ(image().buffer[0x3000], 0xFF);
}

TEST_F(FileCommandsTest, RecentFilesKeepFourAndF8OpensTheFirst)
{
    QStringList paths;
    for (int i = 0; i < 5; ++i) {
        paths << write(QStringLiteral("f%1.bin").arg(i), QByteArray(1, char(i)));
        ASSERT_NE(app->OpenDocumentFile(paths.last()), nullptr);
    }
    EXPECT_EQ(app->files().recentFiles().files(), (QStringList{paths[4], paths[3], paths[2], paths[1]}));
    ASSERT_NE(app->OpenDocumentFile(paths[2]), nullptr);
    EXPECT_EQ(app->files().recentFiles().files().first(), paths[2]);
    image().buffer[0] = 0x77;
    ASSERT_NE(app->OpenDocumentFile(paths[3]), nullptr);
    frame().runCommand(ID_FILE_MRU_FILE1 + 1); // f2 again
    EXPECT_EQ(image().buffer[0], 2);
    exitApp();
    ASSERT_TRUE(start());
    EXPECT_EQ(app->files().recentFiles().files().first(), paths[2]) << "kept in the settings store";
    QFile::remove(paths[2]);
    frame().runCommand(ID_FILE_MRU_FILE1);
    EXPECT_FALSE(app->files().recentFiles().files().contains(paths[2])) << "a file that failed to open is dropped";
}

TEST_F(FileCommandsTest, ChoosersStartWhereTheDocumentIs)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("firmware")));
    const QString folder = dir.filePath(QStringLiteral("firmware"));
    ASSERT_NE(QDir::currentPath(), folder);
    const QString path = write(QStringLiteral("firmware/fw.hex"), kHex);
    chooseInOpenDialog(path);
    frame().runCommand(ID_FILE_OPEN);
    ASSERT_EQ(doc().pathName(), path);

    // Where each chooser opens, and the name it offers. Qt's choosers
    // remember the last folder any of them showed: make it another one.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("elsewhere")));
    auto chooserOf = [this](int command) {
        QFileDialog(nullptr, QString(), dir.filePath(QStringLiteral("elsewhere")));
        QStringList seen;
        AnswerNextModal<QFileDialog>([&seen](QFileDialog& d) {
            seen << d.directory().absolutePath() << d.selectedFiles().value(0);
            d.reject();
        });
        frame().runCommand(command);
        return seen;
    };
    EXPECT_EQ(chooserOf(ID_FILE_OPEN).value(0), folder);
    EXPECT_EQ(chooserOf(ID_FILE_SAVE_AS), (QStringList{folder, path}));
    frame().runCommand(ID_FILE_NEW);
    EXPECT_EQ(chooserOf(ID_FILE_SAVE_AS), (QStringList{folder, folder + QStringLiteral("/Sintit")}));
    EXPECT_FALSE(QFile::exists(QDir::current().filePath(QStringLiteral("Sintit"))));

    // The next run starts in the folder of the last file opened.
    exitApp();
    startInteractive();
    EXPECT_EQ(chooserOf(ID_FILE_OPEN).value(0), folder);
}
