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
#include <sys/resource.h>

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
    EXPECT_EQ(image().dataEnd, 0x14);
    EXPECT_EQ(image().chipCache[0x10], 0x55) << "files never touch the chip copy";
    EXPECT_EQ(app->currentDocument, &doc());
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("fw.ihx - Vorlane"));
    EXPECT_FALSE(doc().isModified());
    EXPECT_TRUE(frame().action(ID_FILE_MRU_FILE1)->isEnabled());
    EXPECT_TRUE(frame().action(ID_FILE_MRU_FILE1)->text().endsWith(QStringLiteral("fw.ihx")));
}

TEST_F(FileCommandsTest, FailedOpenKeepsThePlaceholderTitle)
{
    const QString path = dir.filePath(QStringLiteral("gone.hex"));
    app->currentDocument = &doc();
    EXPECT_EQ(app->OpenDocumentFile(path), nullptr);
    EXPECT_EQ(app->currentDocument, nullptr);
    ASSERT_EQ(messages.requests.size(), 1u);
    EXPECT_EQ(messages.requests[0].text, QStringLiteral("No se encontró %1.").arg(path));
}

TEST_F(FileCommandsTest, OpenOfAMissingFileByCommandLeavesCastavel)
{
    const QString path = write(QStringLiteral("a.hex"), kHex);
    chooseInOpenDialog(path);
    frame().runCommand(ID_FILE_OPEN);
    ASSERT_EQ(frame().windowTitle(), QStringLiteral("a.hex - Vorlane"));
    // The placeholder: the document's path names no file of the user's.
    doc().SetPathName(QDir::current().absoluteFilePath(QStringLiteral("Castavel")));
    EXPECT_EQ(app->OpenDocumentFile(dir.filePath(QStringLiteral("nothing.hex"))), nullptr);
    EXPECT_EQ(doc().title(), QStringLiteral("Castavel"));
}

TEST_F(FileCommandsTest, ReloadMarksExactlyTheChangedBytes)
{
    const QString path = write(QStringLiteral("fw.hex"), kHex);
    ASSERT_NE(app->OpenDocumentFile(path), nullptr);
    write(QStringLiteral("fw.hex"), ":0400100001AA0304:38\r\n:00000001FF\r\n");
    frame().runCommand(ID_FILE_RELOAD);
    EXPECT_EQ(image().buffer[0x11], 0xAA);
    EXPECT_EQ(marked(MarkChanged), 1);
    EXPECT_EQ(image().marks[0x11], MarkChanged);
    EXPECT_FALSE(doc().isModified());
}

TEST_F(FileCommandsTest, BinaryLoadsMarkNothingAndTooLargeIsRefusedTwice)
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
    EXPECT_NE(app->OpenDocumentFile(big), nullptr);
    EXPECT_EQ(messages.texts(),
              (QStringList{"Can't open files larger than 20Kb", "Can't open files larger than 20Kb"}));
    EXPECT_EQ(image().buffer[0], 0x11) << "nothing of it was read";
    EXPECT_EQ(image().dataStart, 0xFFFF);
    EXPECT_EQ(image().dataEnd, 0);
    EXPECT_TRUE(doc().lastLoadRefused());
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
    answerSaveRange(QStringLiteral("10"), QStringLiteral("12"));
    frame().runCommand(ID_FILE_SAVE_AS);
    EXPECT_EQ(read(path), QByteArray(":03001000010203E7\r\n"));
    EXPECT_EQ(marked(MarkMismatch), 0);
    EXPECT_FALSE(doc().isModified());
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("out.hex - Vorlane"));

    // Save goes to the same file; closing the range window saves everything.
    AnswerNextModal<CSaveRangeDlg>([](CSaveRangeDlg& d) { d.reject(); });
    frame().runCommand(ID_FILE_SAVE);
    const QByteArray whole = read(path);
    EXPECT_EQ(whole.count('\n'), 768);
    EXPECT_TRUE(whole.endsWith(":102FF000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFE1\r\n"));
}

TEST_F(FileCommandsTest, FailedSaveKeepsTheOldFileAndTheModifiedFlag)
{
    const QString path = write(QStringLiteral("keep.hex"), "old");
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
    EXPECT_EQ(read(path), QByteArray("old"));
    EXPECT_TRUE(doc().isModified());
    ASSERT_EQ(messages.requests.size(), 1u);
    EXPECT_TRUE(messages.requests[0].text.contains(QStringLiteral("keep.hex"))) << messages.requests[0].text.toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"keep.hex"}) << "no temporary file left";
}

TEST_F(FileCommandsTest, SavePromptBeforeNewAndOpen)
{
    doc().SetModifiedFlag(true);
    messages.answers = {MessageAnswer::Cancel};
    frame().runCommand(ID_FILE_NEW);
    ASSERT_EQ(messages.requests.size(), 1u);
    EXPECT_EQ(messages.requests[0].text, QStringLiteral("¿Guardar cambios a Sintit?"));
    EXPECT_EQ(messages.requests[0].buttons, MessageButtons::YesNoCancel);
    EXPECT_TRUE(doc().isModified()) << "Cancel keeps the document";

    messages.answers = {MessageAnswer::No};
    frame().runCommand(ID_FILE_NEW);
    EXPECT_FALSE(doc().isModified());
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
