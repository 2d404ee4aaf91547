#pragma once

#include <Device.h>

#include <cstdint>

// Command identifiers of the menu, accelerators and tool bar.
enum CommandId : int {
    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_SAVE = 57603,
    ID_FILE_SAVE_AS = 57604,
    ID_FILE_MRU_FILE1 = 57616,
    ID_FILE_MRU_FILE2 = 57617,
    ID_FILE_MRU_FILE3 = 57618,
    ID_FILE_MRU_FILE4 = 57619,
    ID_APP_EXIT = 57665,
    ID_FILE_RELOAD = 32803,
    ID_EDIT_COPY = 57634,
    ID_EDIT_CUT = 57635,
    ID_EDIT_PASTE = 57637,
    ID_EDIT_UNDO = 57643,
    ID_EDIT_FILL = 32791,
    ID_EDIT_GOTO = 32792,
    ID_EDIT_CLEAR_SELECTION = 32788,
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,
    ID_VIEW_INFO = 32777,
    ID_TOOLS_READ = 32772,
    ID_TOOLS_VERIFY = 32776,
    ID_TOOLS_WRITE_CHANGES = 32773,
    ID_TOOLS_WRITE_ALL = 32806,
    ID_TOOLS_ERASE = 32778,
    ID_TOOLS_BLANK_CHECK = 32779,
    ID_TOOLS_RESET = 32804,
    ID_LPT_378 = 32782,
    ID_LPT_3BC = 32783,
    ID_LPT_278 = 32784,
    ID_DEVICE_AT89S53 = 32796,
    ID_DEVICE_AT89S51 = 32797,
    ID_DEVICE_AT89S52 = 32798,
    ID_OPTION_READ_AFTER_WRITE = 32808,
    ID_OPTION_READ_BEFORE_WRITE = 32809,
    ID_OPTION_RST_INVERTED = 32811,
    ID_RST_PIN_D0 = 32812, // D0..D7: 32812..32819
    ID_CLK_PIN_D0 = 32820, // 32820..32827
    ID_DTA_PIN_D0 = 32828, // 32828..32835
    ID_MORE_OPTIONS = 32836,
    ID_APP_ABOUT = 57664,
    ID_HELP_INDEX = 32802,
    ID_HELP_CABLE = 32810,
    ID_NEXT_PANE = 57680,
    ID_PREV_PANE = 57681,
};

// The device selection command of each chip.
inline int DeviceCommand(DeviceId device)
{
    switch (device) {
    case DeviceId::AT89S51:
        return ID_DEVICE_AT89S51;
    case DeviceId::AT89S52:
        return ID_DEVICE_AT89S52;
    case DeviceId::AT89S53:
        break;
    }
    return ID_DEVICE_AT89S53;
}

