#pragma once

#include <QKeySequence>
#include <QString>
#include <QStyle>

#include <vector>

// One line of the menu: where it sits, its text with the shown key hint after
// "\t", and its command. A zero command is a separator; a submenu path is
// written "&Tools/Options/Select RST Pin". A check item is an option on its
// own; the radio items of one menu are one exclusive choice.
struct MenuEntry {
    enum class Mark { None, Check, Radio };
    const char* menu;
    QString text;
    int command;
    Mark mark = Mark::None;
};

struct AcceleratorEntry {
    QKeySequence keys;
    int command;
};

struct ToolButtonEntry {
    int command; // 0: a gap
    const char* themeIcon;
    QStyle::StandardPixmap fallbackIcon; // where the desktop has no icon theme
};

const std::vector<MenuEntry>& MenuEntries();
const std::vector<AcceleratorEntry>& Accelerators();
const std::vector<ToolButtonEntry>& ToolButtons();

// The status prompt of a command ("prompt\ntool tip"), or empty.
QString CommandPrompt(int command);
