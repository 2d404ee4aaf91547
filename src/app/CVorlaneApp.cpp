#include "CVorlaneApp.h"

#include "CAboutDlg.h"
#include "CCableHelpDlg.h"
#include "CHelpDlg.h"
#include "CInfoDlg.h"
#include "CMainFrame.h"
#include "CommandId.h"
#include "EditCommands.h"
#include "FileCommands.h"
#include "JobCommands.h"
#include "JobSummary.h"
#include "SettingCommands.h"
#include "SignalQuit.h"
#include "WindowSession.h"

#include <CVorlaneDoc.h>
#include <CVorlaneView.h>
#include <LinkClaim.h>
#include <MessageBox.h>
#include <PortChoice.h>
#include <ResetJob.h>
#include <SettingsStore.h>
#include <StopSignal.h>

#include <QApplication>
#include <QFileInfo>
#include <QIcon>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

const char* const kFirstRunNotice =
    "Si esta es la primera vez que ejecuta el programa, es aconsejable que cierre el programa y vuelva a "
    "abrirlo antes de grabar cualquier micro ISP para asegurar que la configuración está correctamente "
    "actualizada, muchas gracias\nIf this is the first time you open the application, is necessary that "
    "you close the application and open it again before you write any ISP IC, to ensure that "
    "configuration is all right, thanks!";

const char* const kUsageHead =
    "Usage: vorlane [FILE] [-r] [Qt options]\n"
    "  FILE       load FILE (Intel HEX when its name ends in .hex or .ihx, or holds\n"
    "             either inside and the file holds Intel HEX records; else binary),\n"
    "             write it to the chip chosen in Tools > Select CI and exit\n"
    "  -r         pulse the target's reset line and exit\n"
    "  --help     show this text\n"
    "  --version  show the version\n"
    "Qt's own options (-style NAME, -reverse, -platform NAME, -session ID ...) are\n"
    "taken out first; neither their names nor their values count as FILE or -r.\n"
    "Environment:\n"
    "  VORLANE_PORT   the port, one of the forms below (default auto)\n"
    "  VORLANE_TRACE  append every port access to this file\n"
    "  VORLANE_UNATTENDED=1 (or true, yes)  print each message to standard error\n"
    "                 instead of waiting for a click (for programming stations)\n"
    "Without a display (no DISPLAY or WAYLAND_DISPLAY) a FILE or -r run draws its\n"
    "window offscreen; the interactive program needs a display.\n"
    "Exit status of a write: 0 written; 1 the write failed or no target\n"
    "  answered (no port, a byte that did not program); 2 the file could not\n"
    "  be opened, was refused (too large, not a regular file), is damaged, holds\n"
    "  no data for the device or data outside it. Nothing is written then.\n"
    "  129, 130, 143: a hang-up (SIGHUP), Ctrl+C or SIGTERM stopped it before\n"
    "  its next byte, the target's lines released; they end the window too.\n"
    "-r exits with 1 when no port could be had; so does a start without a\n"
    "display that has nothing to do unattended.\n";

std::string Usage()
{
    // Built in place: GCC 12 takes a temporary's concatenation here for an
    // out-of-bounds copy (-Warray-bounds).
    std::string text = kUsageHead;
    text += "Ports:\n";
    text += PortFormHelp(2, 79);
    return text;
}

// VORLANE_UNATTENDED=1, true or yes, in any case.
bool UnattendedRequested()
{
    const QByteArray value = qgetenv("VORLANE_UNATTENDED").trimmed().toLower();
    return value == "1" || value == "true" || value == "yes";
}

// The offscreen platform warns of every window whose size hints it cannot
// pass on; nobody sees those windows, and a station's log has no use for it.
QtMessageHandler g_qtMessages = nullptr;
void QuietOffscreen(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (text == QLatin1String("This plugin does not support propagateSizeHints()"))
        return;
    g_qtMessages(type, context, text);
}

// Whether Qt's usual platforms have a screen to open: X11 or Wayland.
bool DisplayAvailable()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

bool PlatformChosen(int argc, char** argv)
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return true;
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "-platform") == 0 || qstrcmp(argv[i], "--platform") == 0)
            return true;
    }
    return false;
}

// Unattended stations: every message goes to standard error and is taken as
// answered with its default.
void PrintMessagesInstead()
{
    SetMessageHandler([](const MessageRequest& r) {
        const QString caption = r.caption.isEmpty() ? QStringLiteral("vorlane") : r.caption;
        std::fprintf(stderr, "%s: %s\n", caption.toLocal8Bit().constData(), r.text.toLocal8Bit().constData());
        return r.buttons == MessageButtons::YesNoCancel ? MessageAnswer::No : MessageAnswer::Ok;
    });
}

} // namespace

static void InitResources()
{
    // vorlane.qrc lives in a static library: without this reference the linker
    // leaves it out, and with it the icon and the help pages.
    Q_INIT_RESOURCE(vorlane);
}

CVorlaneApp::CVorlaneApp()
{
    InitResources();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/vorlane/icons/vorlane.png")));
}

CVorlaneApp::~CVorlaneApp()
{
    // The help windows and the view are the frame's children; the frame must
    // go before the document it shows.
    help_.reset();
    cableHelp_.reset();
    files_.reset();
    jobs_.reset();
    settings_.reset();
    frame_.reset();
}

int CVorlaneApp::Main(int argc, char** argv)
{
    // --help and --version answer before Qt looks for a display.
    QStringList raw;
    for (int i = 1; i < argc; ++i)
        raw << QString::fromLocal8Bit(argv[i]);
    const CommandLine early = CommandLine::parse(raw);
    IgnoreClosedPipes();
    if (early.help || early.version) {
        std::fputs(early.help ? Usage().c_str() : "vorlane " VORLANE_VERSION "\n", stdout);
        // As coreutils: help that did not reach its reader is a failure.
        if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
            std::fprintf(stderr, "vorlane: standard output: %s\n", std::strerror(errno ? errno : EIO));
            return ExitNotLoaded;
        }
        return 0;
    }
    if (UnattendedRequested())
        PrintMessagesInstead();
    // A station without a display still writes a file or pulses the reset:
    // the window it shows then is drawn offscreen.
    const bool headless = !DisplayAvailable() && !PlatformChosen(argc, argv);
    if (headless) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        g_qtMessages = qInstallMessageHandler(QuietOffscreen);
    }
    // Takes its own options out of argv: "-style Fusion" must not name the
    // file Fusion, "-session ID" the file ID, nor "-reverse" ask for a reset.
    QApplication application(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral(VORLANE_VERSION));
    SignalQuit quitOnSignal;
    const QStringList arguments = QApplication::arguments().mid(1);
    const CommandLine line = CommandLine::parse(arguments);
    if (headless && !line.opensFile() && !line.asksReset()) {
        std::fputs("vorlane: no display to show the window on (DISPLAY and WAYLAND_DISPLAY are not set).\n"
                   "Name a FILE to write it to the chip, or -r to reset the target, without one.\n",
                   stderr);
        return ExitWriteFailed;
    }
    CVorlaneApp app;
    if (app.InitInstance(arguments))
        QApplication::exec();
    return app.ExitInstance();
}

bool CVorlaneApp::InitInstance(const QStringList& arguments)
{
    ProgrammingSession& session = windowSession();
    traceTold_ = session.traceProblem();
    if (!traceTold_.empty())
        std::fprintf(stderr, "vorlane: VORLANE_TRACE: %s\n", traceTold_.c_str());
    QCoreApplication::setOrganizationName(QStringLiteral("Castavel/Vorlane"));
    QCoreApplication::setApplicationName(QStringLiteral("Vorlane"));
    commandLine_ = CommandLine::parse(arguments);

    createWindow();
    files_->loadRecentFiles();
    // The view's first release finds no port yet: the driver writes nothing
    // while the settings are not loaded.
    if (commandLine_.opensFile()) {
        // The file is for the chip stored, which may be smaller than the
        // image's default: what lies past it must be told at this load.
        document_->image().deviceSize = SettingsStore::LoadDevice().flashSize;
        if (!OpenDocumentFile(commandLine_.fileName)) {
            exitCode_ = ExitNotLoaded;
            return false;
        }
    } else {
        document_->OnNewDocument();
        view_->OnInitialUpdate();
    }

    const QByteArray geometry = SettingsStore::LoadWindowGeometry();
    const bool placed = !geometry.isEmpty() && frame_->restoreGeometry(geometry);
    frame_->show();
    frame_->repaint();
    loadSettings();
    showFirstRunNotice();
    settings_->syncWithSettings();
    frame_->reserveMessageRoom(WidestJobSummaries());
    if (!placed)
        frame_->fitStatusLine();
    session.link().RefreshTimerFrequency();

    if (commandLine_.opensFile()) {
        writeFileUnattended();
        return false;
    }
    if (commandLine_.asksReset()) {
        std::string why;
        const LinkClaim claim(session.link());
        if (!ResetJob(session).run(&why)) {
            ShowMessage(nullptr, QString::fromStdString(why), QStringLiteral("ERROR"), MessageIcon::Error);
            exitCode_ = ExitWriteFailed;
        }
        return false;
    }
    interactive_ = true;
    return true;
}

int CVorlaneApp::ExitInstance()
{
    if (interactive_ && StopSignalNumber())
        exitCode_ = 128 + StopSignalNumber();
    windowSession().close();
    // A trace that stopped on the way (a full disk) is told as it ends.
    if (const std::string trace = windowSession().traceProblem(); trace != traceTold_)
        std::fprintf(stderr, "vorlane: VORLANE_TRACE: %s\n", trace.c_str());
    // Settings never loaded (start-up ended early) are zeros: keep the
    // user's stored ones instead. Only what this window changed is written,
    // so that a second window open meanwhile loses nothing of its changes.
    std::string problem;
    if (settingsLoaded_)
        SettingsStore::SaveChanges(programmerSettings(), loadedSettings_, &problem);
    if (files_)
        files_->saveRecentFiles(&problem);
    // Only a window the user had in hand: the command-line modes show it
    // for a moment, possibly offscreen.
    if (interactive_ && frame_)
        SettingsStore::SaveWindowGeometry(frame_->saveGeometry(), &problem);
    if (!problem.empty())
        reportUnsaved(problem);
    return exitCode_;
}

void CVorlaneApp::createWindow()
{
    document_ = std::make_unique<CVorlaneDoc>();
    frame_ = std::make_unique<CMainFrame>(document_.get());
    view_ = new CVorlaneView(document_.get());
    view_->setSession(&windowSession());
    frame_->setCentralWidget(view_);
    view_->setFocus();
    help_ = std::make_unique<CHelpDlg>(frame_.get());
    cableHelp_ = std::make_unique<CCableHelpDlg>(frame_.get());
    files_ = std::make_unique<FileCommands>(*frame_, *document_, *view_, currentDocument);
    settings_ = std::make_unique<SettingCommands>(*frame_, *document_, *view_, windowSession());
    jobs_ = std::make_unique<JobCommands>(*frame_, *document_, *view_, windowSession(),
                                          [this](DeviceId id) { settings_->OnDevice(id); });
    bindCommands();
}

void CVorlaneApp::bindCommands()
{
    CMainFrame* f = frame_.get();
    f->setHandler(ID_FILE_NEW, [this] {
        if (document_->SaveModified() && document_->OnNewDocument())
            view_->OnInitialUpdate();
    });
    f->setHandler(ID_APP_EXIT, [f] { f->close(); });
    f->setHandler(ID_VIEW_INFO, [f] {
        CInfoDlg(windowSession().device(), QString::fromStdString(windowPortChoice().programmer()),
                 QString::fromStdString(windowSession().describePort()), f)
            .exec();
    });
    f->setHandler(ID_APP_ABOUT, [f] { CAboutDlg(f).exec(); });
    f->setHandler(ID_HELP_INDEX, [this] { help_->exec(); });
    f->setHandler(ID_HELP_CABLE, [this] { cableHelp_->exec(); });
    settings_->bind();
    files_->bind();
    jobs_->bind();
    BindEditCommands(*f, *view_);
}

CVorlaneDoc* CVorlaneApp::OpenDocumentFile(const QString& path)
{
    return files_->OpenDocumentFile(path);
}

void CVorlaneApp::writeFileUnattended()
{
    // A file the loads refused leaves nothing to write: writing the range
    // they left would put whatever the image holds on the chip's reset vector.
    if (!currentDocument || currentDocument->lastLoadRefused()) {
        exitCode_ = ExitNotLoaded;
        return;
    }
    // Part of a program is no program: nothing is written unless all of the
    // file fits the device.
    if (!currentDocument->lastLoad().complete()) {
        ShowMessage(nullptr, QStringLiteral("%1 was not written: part of it lies outside the device.")
                                 .arg(QFileInfo(commandLine_.fileName).fileName()),
                    QStringLiteral("ERROR"), MessageIcon::Error);
        exitCode_ = ExitNotLoaded;
        return;
    }
    // A stop that came while the file loaded: the chip is not touched.
    const bool written = !StopSignalNumber() && jobs_->WriteUnattended();
    exitCode_ = written ? ExitWritten : ExitWriteFailed;
    if (!written && StopSignalNumber()) {
        std::fprintf(stderr, "vorlane: %s stopped the write; the target's lines are released\n",
                     strsignal(StopSignalNumber()));
        exitCode_ = 128 + StopSignalNumber();
    }
}

void CVorlaneApp::loadSettings()
{
    SettingsStore::Load(programmerSettings());
    loadedSettings_ = programmerSettings();
    settingsLoaded_ = true;
}

void CVorlaneApp::reportUnsaved(const std::string& problem)
{
    const QString text = QStringLiteral("The settings were not saved: %1. What was changed in this window is lost.")
                             .arg(QString::fromStdString(problem));
    // The window the user worked in says so; a station's run writes it to its log.
    if (interactive_)
        ShowMessage(nullptr, text, QStringLiteral("ERROR"), MessageIcon::Error);
    else
        std::fprintf(stderr, "vorlane: %s\n", text.toLocal8Bit().constData());
}

void CVorlaneApp::showFirstRunNotice()
{
    if (programmerSettings().firstRun == 0)
        return;
    ShowMessage(nullptr, QString::fromUtf8(kFirstRunNotice), QString(), MessageIcon::Error);
    SettingsStore::ClearFirstRun();
}
