#pragma once

#include <CommandLine.h>
#include <ProgrammerSettings.h>

#include <QObject>
#include <QStringList>

#include <memory>
#include <string>

class CMainFrame;
class CVorlaneDoc;
class CVorlaneView;
class CHelpDlg;
class CCableHelpDlg;
class FileCommands;
class JobCommands;
class SettingCommands;

// Starts and stops the program: the window's session and its settings, the
// one document with its window and view, the commands, and the command-line
// modes.
class CVorlaneApp : public QObject {
    Q_OBJECT
public:
    CVorlaneApp();
    ~CVorlaneApp() override;

    // The whole program: flags, start-up, message loop, exit.
    static int Main(int argc, char** argv);

    // True: run interactively. False: the program ends (ExitInstance still runs).
    // The arguments are those Qt left: its own options are taken out first.
    bool InitInstance(const QStringList& arguments);
    int ExitInstance();

    CMainFrame* mainFrame() const { return frame_.get(); }
    CVorlaneDoc* document() const { return document_.get(); }
    CVorlaneView* view() const { return view_; }
    const CommandLine& commandLine() const { return commandLine_; }

    // The document the last open by path returned, or null.
    CVorlaneDoc* currentDocument = nullptr;
    CVorlaneDoc* OpenDocumentFile(const QString& path);
    FileCommands& files() const { return *files_; }
    SettingCommands& settingCommands() const { return *settings_; }

    // Exit codes of the unattended write: written, failed, file not loaded.
    enum ExitCode { ExitWritten = 0, ExitWriteFailed = 1, ExitNotLoaded = 2 };

private:
    void createWindow();
    void bindCommands();
    void loadSettings();
    void showFirstRunNotice();
    void writeFileUnattended();
    // Tells that the store kept nothing of this session's changes.
    void reportUnsaved(const std::string& problem);

    CommandLine commandLine_;
    std::unique_ptr<CVorlaneDoc> document_;
    std::unique_ptr<CMainFrame> frame_;
    CVorlaneView* view_ = nullptr;
    std::unique_ptr<FileCommands> files_;
    std::unique_ptr<JobCommands> jobs_;
    std::unique_ptr<SettingCommands> settings_;
    std::unique_ptr<CHelpDlg> help_;
    std::unique_ptr<CCableHelpDlg> cableHelp_;
    bool settingsLoaded_ = false;
    // What the store held at start: exit writes only what this window changed.
    ProgrammerSettings loadedSettings_;
    bool interactive_ = false; // exit stores the window's place only then
    int exitCode_ = 0;
    std::string traceTold_; // why the trace failed, as told at start
};
