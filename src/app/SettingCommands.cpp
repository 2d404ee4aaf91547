#include "SettingCommands.h"

#include "ArduinoPortDlg.h"
#include "CMainFrame.h"
#include "COptionsDlg.h"
#include "FtdiCableDlg.h"
#include "GpioLinesDlg.h"
#include "CommandId.h"

#include <CVorlaneDoc.h>
#include <CVorlaneView.h>
#include <DeviceImage.h>
#include <ProgrammingSession.h>
#include <SettingsStore.h>
#include <WindowSession.h>

#include <QScrollBar>

#include <memory>

SettingCommands::SettingCommands(CMainFrame& frame, CVorlaneDoc& document, CVorlaneView& view,
                                 ProgrammingSession& session)
    : frame_(frame), document_(document), view_(view), session_(session)
{
}

void SettingCommands::bind()
{
    for (const Device& d : Devices())
        frame_.setHandler(DeviceCommand(d.id), [this, id = d.id] { OnDevice(id); });
    frame_.setHandler(ID_OPTION_READ_AFTER_WRITE, [this] { OnReadAfterWrite(); });
    frame_.setHandler(ID_OPTION_READ_BEFORE_WRITE, [this] { OnReadBeforeWrite(); });
    frame_.setHandler(ID_OPTION_RST_INVERTED, [this] { OnRstInverted(); });
    frame_.setHandler(ID_MORE_OPTIONS, [this] { OnMoreOptions(); });
    for (int id : {ID_PROGRAMMER_CABLE, ID_PROGRAMMER_ARDUINO, ID_PROGRAMMER_USBASP, ID_PROGRAMMER_GPIO,
                   ID_PROGRAMMER_FTDI})
        frame_.setHandler(id, [this, id] { OnProgrammer(id); });
    for (int id : {ID_LPT_378, ID_LPT_3BC, ID_LPT_278})
        frame_.setHandler(id, [this, id] { OnPort(id); });
    for (int id = ID_RST_PIN_D0; id < ID_DTA_PIN_D0 + 8; ++id)
        frame_.setHandler(id, [this, id] { OnPin(id); });
}

void SettingCommands::syncWithSettings()
{
    ProgrammerSettings& s = session_.settings();
    // The stored chip, before anything opens the port for it; no release
    // of the lines here, the view's first one has been.
    selectDevice(session_.device().id);
    view_.UpdateScrollRange();
    checkProgrammer();
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

void SettingCommands::OnReadAfterWrite()
{
    uint8_t& flag = session_.settings().readAfterWrite;
    flag ^= 1;
    frame_.setChecked(ID_OPTION_READ_AFTER_WRITE, flag != 0);
}

void SettingCommands::OnReadBeforeWrite()
{
    uint8_t& flag = session_.settings().readBeforeWrite;
    flag ^= 1;
    frame_.setChecked(ID_OPTION_READ_BEFORE_WRITE, flag != 0);
}

void SettingCommands::OnRstInverted()
{
    ProgrammerSettings& s = session_.settings();
    s.idleByte ^= PinMask(s.resetPin);
    frame_.setChecked(ID_OPTION_RST_INVERTED, s.idleByte == 0);
}

void SettingCommands::OnMoreOptions()
{
    COptionsDlg(session_.settings(), nullptr).exec();
}

void SettingCommands::OnDevice(DeviceId id)
{
    // As a chip taken out of its socket: the session opens the port afresh
    // for the next job (a simulated port then holds the new chip's model),
    // and the chip copy, the old chip's, knows nothing of it, as after New.
    selectDevice(id);
    document_.image().chipCache.fill(ChipUnknown);
    view_.OnInitialUpdate();
    view_.verticalScrollBar()->setValue(0);
    frame_.setPortLine(portLine());
}

void SettingCommands::selectDevice(DeviceId id)
{
    frame_.setChecked(DeviceCommand(id), true);
    session_.selectDevice(id);
    document_.image().deviceSize = session_.device().flashSize;
}

void SettingCommands::OnPort(int command)
{
    const struct {
        int id;
        uint16_t base;
    } ports[] = {{ID_LPT_378, 0x378}, {ID_LPT_3BC, 0x3BC}, {ID_LPT_278, 0x278}};
    for (const auto& p : ports) {
        frame_.setChecked(p.id, p.id == command);
        if (p.id == command)
            session_.settings().lptBase = p.base;
    }
    frame_.setPortLine(portLine());
}

void SettingCommands::OnProgrammer(int command)
{
    std::string form;
    std::unique_ptr<ProgrammerDlg> dialog;
    const std::string stored = SettingsStore::LoadProgrammer();
    if (command == ID_PROGRAMMER_ARDUINO)
        dialog = std::make_unique<ArduinoPortDlg>(stored, &frame_);
    else if (command == ID_PROGRAMMER_GPIO)
        dialog = std::make_unique<GpioLinesDlg>(stored, &frame_);
    else if (command == ID_PROGRAMMER_FTDI)
        dialog = std::make_unique<FtdiCableDlg>(stored, &frame_);
    if (dialog) {
        if (dialog->exec() != QDialog::Accepted) {
            // The item the user left is still the one in use.
            checkProgrammer();
            return;
        }
        form = dialog->form();
    } else if (command == ID_PROGRAMMER_USBASP) {
        form = "usbasp";
    }
    // The cable is stored as no form at all: its port follows the LPT
    // address and the machine, as before there was a choice.
    SettingsStore::SaveProgrammer(form);
    ConnectWindowSession(PortChoice::parse(form.c_str()));
    checkProgrammer();
    frame_.setPortLine(portLine());
}

void SettingCommands::checkProgrammer()
{
    const PortChoice& choice = windowPortChoice();
    frame_.setChecked(ID_PROGRAMMER_CABLE, choice.isCable());
    frame_.setChecked(ID_PROGRAMMER_ARDUINO, choice.kind == PortChoice::Kind::Arduino);
    frame_.setChecked(ID_PROGRAMMER_USBASP, choice.kind == PortChoice::Kind::Usbasp);
    frame_.setChecked(ID_PROGRAMMER_GPIO, choice.kind == PortChoice::Kind::Gpio);
    frame_.setChecked(ID_PROGRAMMER_FTDI, choice.kind == PortChoice::Kind::Ftdi);
}

QString SettingCommands::portLine()
{
    QString line = QString::fromStdString(session_.describePort());
    // The trace is asked for with the port, and told with it.
    const std::string trace = session_.traceProblem();
    if (!trace.empty())
        line += QStringLiteral(" (VORLANE_TRACE: %1)").arg(QString::fromStdString(trace));
    return line;
}

void SettingCommands::OnPin(int command)
{
    ProgrammerSettings& s = session_.settings();
    const struct {
        int base;
        uint8_t* pin;
    } groups[] = {{ID_RST_PIN_D0, &s.resetPin}, {ID_CLK_PIN_D0, &s.clockPin}, {ID_DTA_PIN_D0, &s.dataPin}};
    for (const auto& g : groups) {
        if (command < g.base || command >= g.base + 8)
            continue;
        *g.pin = static_cast<uint8_t>(command - g.base);
        for (int n = 0; n < 8; ++n)
            frame_.setChecked(g.base + n, g.base + n == command);
    }
}
