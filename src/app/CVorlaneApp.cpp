#include "CVorlaneApp.h"

#include "CAboutDlg.h"
#include "CCableHelpDlg.h"
#include "CHelpDlg.h"
#include "CInfoDlg.h"
#include "CMainFrame.h"
#include "COptionsDlg.h"
#include "CommandId.h"
#include "EditCommands.h"
#include "FileCommands.h"
#include "JobCommands.h"
#include "JobSummary.h"
#include "SettingsStore.h"

#include <CVorlaneDoc.h>
#include <Device.h>
#include <CVorlaneView.h>
#include <LineDriver.h>
#include <MessageBox.h>
#include <ProgrammerSettings.h>
#include <ResetJob.h>
#include <port/Port.h>

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QScrollBar>

#include <cstdio>

namespace {

const char* const kFirstRunNotice =
    "Si esta es la primera vez que ejecuta el programa, es aconsejable que cierre el programa y vuelva a "
    "abrirlo antes de grabar cualquier micro ISP para asegurar que la configuración está correctamente "
    "actualizada, muchas gracias\nIf this is the first time you open the application, is necessary that "
    "you close the application and open it again before you write any ISP IC, to ensure that "
    "configuration is all right, thanks!";

const char* const kUsage =
    "Usage: vorlane [FILE] [-r] [Qt options]\n"
    "  FILE       load FILE (binary, or Intel HEX when its name holds .hex or .ihx),\n"
    "             write it to the chip chosen in Tools > Select CI and exit\n"
    "  -r         pulse the target's reset line and exit\n"
    "  --help     show this text\n"
    "  --version  show the version\n"
    "Qt's own options (-style NAME, -reverse, -platform NAME, -session ID ...) are\n"
    "taken out first; neither their names nor their values count as FILE or -r.\n"
    "Environment:\n"
    "  VORLANE_PORT   auto, ppdev, ppdev:/dev/parportN, direct, sim, sim:FILE,\n"
    "                 sim:s51|s52|s53[:FILE] (that chip, whatever is selected) or none\n"
    "  VORLANE_TRACE  append every port access to this file\n"
    "  VORLANE_UNATTENDED=1 (or true, yes)  print each message to standard error\n"
    "                 instead of waiting for a click (for programming stations)\n"
    "Without a display (no DISPLAY or WAYLAND_DISPLAY) a FILE or -r run draws its\n"
    "window offscreen; the interactive program needs a display.\n"
    "Exit status of a write: 0 written; 1 the write failed or no target\n"
    "  answered (no port, a byte that did not program); 2 the file could not\n"
    "  be opened, was refused (too large, not a regular file), is damaged, holds\n"
    "  no data for the device or data outside it. Nothing is written then.\n"
    "-r exits with 1 when no port could be had; so does a start without a\n"
    "display that has nothing to do unattended.\n";

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
    frame_.reset();
}

int CVorlaneApp::Main(int argc, char** argv)
{
    // --help and --version answer before Qt looks for a display.
    QStringList raw;
    for (int i = 1; i < argc; ++i)
        raw << QString::fromLocal8Bit(argv[i]);
    const CommandLine early = CommandLine::parse(raw);
    if (early.help || early.version) {
        std::fputs(early.help ? kUsage : "vorlane " VORLANE_VERSION "\n", stdout);
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
    port().acquire();
    if (!port().traceProblem().empty())
        std::fprintf(stderr, "vorlane: VORLANE_TRACE: %s\n", port().traceProblem().c_str());
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
    syncMenuWithSettings(); // the port commands also name the port in the status bar
    frame_->reserveMessageRoom(WidestJobSummaries());
    if (!placed)
        frame_->fitStatusLine();
    lineDriver().RefreshTimerFrequency();
    port().acquire();

    if (commandLine_.opensFile()) {
        writeFileUnattended();
        return false;
    }
    if (commandLine_.asksReset()) {
        std::string why;
        if (!ResetJob().run(&why)) {
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
    port().release();
    // Settings never loaded (start-up ended early) are zeros: keep the
    // user's stored ones instead.
    if (settingsLoaded_)
        SettingsStore::Save(programmerSettings());
    if (files_)
        files_->saveRecentFiles();
    // Only a window the user had in hand: the command-line modes show it
    // for a moment, possibly offscreen.
    if (interactive_ && frame_)
        SettingsStore::SaveWindowGeometry(frame_->saveGeometry());
    return exitCode_;
}

void CVorlaneApp::createWindow()
{
    document_ = std::make_unique<CVorlaneDoc>();
    frame_ = std::make_unique<CMainFrame>(document_.get());
    view_ = new CVorlaneView(document_.get());
    frame_->setCentralWidget(view_);
    view_->setFocus();
    help_ = std::make_unique<CHelpDlg>(frame_.get());
    cableHelp_ = std::make_unique<CCableHelpDlg>(frame_.get());
    files_ = std::make_unique<FileCommands>(*frame_, *document_, *view_, currentDocument);
    jobs_ = std::make_unique<JobCommands>(*frame_, *document_, *view_);
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
    f->setHandler(ID_VIEW_INFO, [f] { CInfoDlg(DeviceById(programmerSettings().device), f).exec(); });
    f->setHandler(ID_APP_ABOUT, [f] { CAboutDlg(f).exec(); });
    f->setHandler(ID_HELP_INDEX, [this] { help_->exec(); });
    f->setHandler(ID_HELP_CABLE, [this] { cableHelp_->exec(); });
    for (const Device& d : Devices())
        f->setHandler(DeviceCommand(static_cast<uint32_t>(d.id)), [this, &d] { OnDevice(d); });
    f->setHandler(ID_OPTION_READ_AFTER_WRITE, [this] { OnReadAfterWrite(); });
    f->setHandler(ID_OPTION_READ_BEFORE_WRITE, [this] { OnReadBeforeWrite(); });
    f->setHandler(ID_OPTION_RST_INVERTED, [this] { OnRstInverted(); });
    f->setHandler(ID_MORE_OPTIONS, [this] { OnMoreOptions(); });
    for (int id : {ID_LPT_378, ID_LPT_3BC, ID_LPT_278})
        f->setHandler(id, [this, id] { OnPort(id); });
    for (int id = ID_RST_PIN_D0; id < ID_DTA_PIN_D0 + 8; ++id)
        f->setHandler(id, [this, id] { OnPin(id); });
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
    exitCode_ = jobs_->WriteUnattended() ? ExitWritten : ExitWriteFailed;
}

void CVorlaneApp::loadSettings()
{
    SettingsStore::Load(programmerSettings());
    settingsLoaded_ = true;
}

void CVorlaneApp::showFirstRunNotice()
{
    if (programmerSettings().firstRun == 0)
        return;
    ShowMessage(nullptr, QString::fromUtf8(kFirstRunNotice), QString(), MessageIcon::Error);
    SettingsStore::ClearFirstRun();
}

void CVorlaneApp::syncMenuWithSettings()
{
    ProgrammerSettings& s = programmerSettings();
    // The stored chip, before anything opens the port for it; no release
    // of the lines here, the view's first one has been.
    selectDevice(DeviceById(s.device));
    view_->UpdateScrollRange();
    switch (s.lptBase) {
    case 632:
        OnPort(ID_LPT_278);
        break;
    case 956:
        OnPort(ID_LPT_3BC);
        break;
    default:
        OnPort(ID_LPT_378); // also corrects an unknown base to 888
        break;
    }
    // A stored pin above 7 stays as loaded, with no item checked.
    if (s.clockPin <= 7)
        OnPin(ID_CLK_PIN_D0 + s.clockPin);
    if (s.dataPin <= 7)
        OnPin(ID_DTA_PIN_D0 + s.dataPin);
    if (s.resetPin <= 7)
        OnPin(ID_RST_PIN_D0 + s.resetPin);
    // Each toggle is run from its opposite state so that it checks itself.
    if (s.readAfterWrite == 1) {
        s.readAfterWrite = 0;
        OnReadAfterWrite();
    }
    if (s.readBeforeWrite == 1) {
        s.readBeforeWrite = 0;
        OnReadBeforeWrite();
    }
    if (s.idleByte == 0) {
        s.idleByte = PinMask(s.resetPin);
        OnRstInverted();
    }
}

void CVorlaneApp::OnReadAfterWrite()
{
    uint8_t& flag = programmerSettings().readAfterWrite;
    flag ^= 1;
    frame_->setChecked(ID_OPTION_READ_AFTER_WRITE, flag != 0);
}

void CVorlaneApp::OnReadBeforeWrite()
{
    uint8_t& flag = programmerSettings().readBeforeWrite;
    flag ^= 1;
    frame_->setChecked(ID_OPTION_READ_BEFORE_WRITE, flag != 0);
}

void CVorlaneApp::OnRstInverted()
{
    ProgrammerSettings& s = programmerSettings();
    s.idleByte ^= PinMask(s.resetPin);
    frame_->setChecked(ID_OPTION_RST_INVERTED, s.idleByte == 0);
}

void CVorlaneApp::OnMoreOptions()
{
    COptionsDlg(nullptr).exec();
}

void CVorlaneApp::OnDevice(const Device& device)
{
    selectDevice(device);
    // As a chip taken out of its socket: the port is opened afresh for the
    // next job (a simulated port then holds the new chip's model).
    port().release();
    view_->OnInitialUpdate();
    view_->verticalScrollBar()->setValue(0);
    frame_->setPortLine(portLine());
}

void CVorlaneApp::selectDevice(const Device& device)
{
    frame_->setChecked(DeviceCommand(static_cast<uint32_t>(device.id)), true);
    programmerSettings().device = static_cast<uint32_t>(device.id);
    document_->image().deviceSize = device.flashSize;
}

void CVorlaneApp::OnPort(int command)
{
    const struct {
        int id;
        uint16_t base;
    } ports[] = {{ID_LPT_378, 0x378}, {ID_LPT_3BC, 0x3BC}, {ID_LPT_278, 0x278}};
    for (const auto& p : ports) {
        frame_->setChecked(p.id, p.id == command);
        if (p.id == command)
            programmerSettings().lptBase = p.base;
    }
    frame_->setPortLine(portLine());
}

QString CVorlaneApp::portLine()
{
    QString line = QString::fromStdString(port().describe(programmerSettings().lptBase));
    // The trace is asked for with the port, and told with it.
    if (!port().traceProblem().empty())
        line += QStringLiteral(" (VORLANE_TRACE: %1)").arg(QString::fromStdString(port().traceProblem()));
    return line;
}

void CVorlaneApp::OnPin(int command)
{
    ProgrammerSettings& s = programmerSettings();
    const struct {
        int base;
        uint8_t* pin;
    } groups[] = {{ID_RST_PIN_D0, &s.resetPin}, {ID_CLK_PIN_D0, &s.clockPin}, {ID_DTA_PIN_D0, &s.dataPin}};
    for (const auto& g : groups) {
        if (command < g.base || command >= g.base + 8)
            continue;
        *g.pin = static_cast<uint8_t>(command - g.base);
        for (int n = 0; n < 8; ++n)
            frame_->setChecked(g.base + n, g.base + n == command);
    }
}
