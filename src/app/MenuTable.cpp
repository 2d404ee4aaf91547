#include "MenuTable.h"

#include "CommandId.h"

#include <QHash>

namespace {

std::vector<MenuEntry> BuildMenu()
{
    constexpr MenuEntry::Mark Check = MenuEntry::Mark::Check;
    constexpr MenuEntry::Mark Radio = MenuEntry::Mark::Radio;
    std::vector<MenuEntry> m = {
        {"&File", QStringLiteral("&New\tCtrl+N"), ID_FILE_NEW},
        {"&File", QStringLiteral("&Open...\tCtrl+A"), ID_FILE_OPEN},
        {"&File", QStringLiteral("&Save\tCtrl+G"), ID_FILE_SAVE},
        {"&File", QStringLiteral("Save &As..."), ID_FILE_SAVE_AS},
        {"&File", {}, 0},
        {"&File", QStringLiteral("Recent &files"), ID_FILE_MRU_FILE1},
        {"&File", QStringLiteral("&Exit"), ID_APP_EXIT},
        {"&File", QStringLiteral("&Reload\tF9"), ID_FILE_RELOAD},
        {"&Edit", QStringLiteral("&Copy\tCtrl-C"), ID_EDIT_COPY},
        {"&Edit", QStringLiteral("&Fill\tCtrl-F"), ID_EDIT_FILL},
        {"&Edit", QStringLiteral("&Goto\tCtrl-G"), ID_EDIT_GOTO},
        {"&Edit", {}, 0},
        {"&Edit", QStringLiteral("Clear Selection\tCtrl-E"), ID_EDIT_CLEAR_SELECTION},
        {"V&iew", QStringLiteral("Tool&bar"), ID_VIEW_TOOLBAR, Check},
        // "State&bar" would share its letter with "Tool&bar".
        {"V&iew", QStringLiteral("&Statebar"), ID_VIEW_STATUS_BAR, Check},
        {"V&iew", QStringLiteral("&Info"), ID_VIEW_INFO},
        {"&Tools", QStringLiteral("&Read\tAlt+L"), ID_TOOLS_READ},
        {"&Tools", QStringLiteral("&Verify\tAlt+V"), ID_TOOLS_VERIFY},
        {"&Tools", QStringLiteral("&Write Changes\tAlt+S"), ID_TOOLS_WRITE_CHANGES},
        {"&Tools", QStringLiteral("Write &All\tAlt+A"), ID_TOOLS_WRITE_ALL},
        {"&Tools", {}, 0},
        {"&Tools", QStringLiteral("&Erase"), ID_TOOLS_ERASE},
        {"&Tools", QStringLiteral("&Blanck Check\tAlt+B"), ID_TOOLS_BLANK_CHECK},
        {"&Tools", {}, 0},
        // "&Reset" would share its letter with "&Read".
        {"&Tools", QStringLiteral("Reset &Kelda\tAlt-Z"), ID_TOOLS_RESET},
        {"&Tools", {}, 0},
        {"&Tools/&Programmer", QStringLiteral("Parallel-port &cable"), ID_PROGRAMMER_CABLE, Radio},
        {"&Tools/&Programmer", QStringLiteral("&Arduino as ISP..."), ID_PROGRAMMER_ARDUINO, Radio},
        {"&Tools/&Programmer", QStringLiteral("&USBasp"), ID_PROGRAMMER_USBASP, Radio},
        {"&Tools/&Programmer", QStringLiteral("&GPIO lines..."), ID_PROGRAMMER_GPIO, Radio},
        {"&Tools/&Programmer", QStringLiteral("&FTDI cable..."), ID_PROGRAMMER_FTDI, Radio},
        {"&Tools/LPT 1 at ...", QStringLiteral("378 (Default)"), ID_LPT_378, Radio},
        {"&Tools/LPT 1 at ...", QStringLiteral("3BC"), ID_LPT_3BC, Radio},
        {"&Tools/LPT 1 at ...", QStringLiteral("278"), ID_LPT_278, Radio},
        {"&Tools/Select CI", QStringLiteral("AT89S51"), ID_DEVICE_AT89S51, Radio},
        {"&Tools/Select CI", QStringLiteral("AT89S52"), ID_DEVICE_AT89S52, Radio},
        {"&Tools/Select CI", QStringLiteral("AT89S53"), ID_DEVICE_AT89S53, Radio},
        {"&Tools/Options", QStringLiteral("Read After Write"), ID_OPTION_READ_AFTER_WRITE, Check},
        {"&Tools/Options", QStringLiteral("Read Before Write"), ID_OPTION_READ_BEFORE_WRITE, Check},
        {"&Tools/Options", {}, 0},
        {"&Tools/Options", QStringLiteral("-RST Inverted"), ID_OPTION_RST_INVERTED, Check},
        {"&Tools/Options", {}, 0},
    };
    const struct {
        const char* menu;
        int base;
        int defaultPin;
    } pins[] = {{"&Tools/Options/Select RST Pin", ID_RST_PIN_D0, 0},
                {"&Tools/Options/Select CLK Pin", ID_CLK_PIN_D0, 1},
                {"&Tools/Options/Select DTA Pin", ID_DTA_PIN_D0, 2}};
    for (const auto& group : pins) {
        for (int n = 0; n < 8; ++n) {
            QString text = QStringLiteral("D%1").arg(n);
            if (n == group.defaultPin)
                text += QStringLiteral(" (Default)");
            m.push_back({group.menu, text, group.base + n, Radio});
        }
    }
    m.push_back({"&Tools", {}, 0});
    m.push_back({"&Tools", QStringLiteral("&More Options"), ID_MORE_OPTIONS});
    m.push_back({"&Help", QStringLiteral("&About vorlane...\tF2"), ID_APP_ABOUT});
    m.push_back({"&Help", QStringLiteral("&Help\tF1"), ID_HELP_INDEX});
    // "&How" would share its letter with "&Help".
    m.push_back({"&Help", QStringLiteral("How do I make the &cable"), ID_HELP_CABLE});
    return m;
}

} // namespace

const std::vector<MenuEntry>& MenuEntries()
{
    static const std::vector<MenuEntry> entries = BuildMenu();
    return entries;
}

const std::vector<AcceleratorEntry>& Accelerators()
{
    static const std::vector<AcceleratorEntry> table = {
        {QKeySequence(Qt::ALT | Qt::Key_A), ID_TOOLS_WRITE_ALL},
        // The key the File menu shows for Open; Ctrl+O opens too.
        {QKeySequence(Qt::CTRL | Qt::Key_A), ID_FILE_OPEN},
        {QKeySequence(Qt::ALT | Qt::Key_B), ID_TOOLS_BLANK_CHECK},
        {QKeySequence(Qt::CTRL | Qt::Key_C), ID_EDIT_COPY},
        {QKeySequence(Qt::CTRL | Qt::Key_E), ID_EDIT_CLEAR_SELECTION},
        {QKeySequence(Qt::CTRL | Qt::Key_F), ID_EDIT_FILL},
        {QKeySequence(Qt::CTRL | Qt::Key_G), ID_EDIT_GOTO},
        {QKeySequence(Qt::ALT | Qt::Key_L), ID_TOOLS_READ},
        {QKeySequence(Qt::CTRL | Qt::Key_N), ID_FILE_NEW},
        {QKeySequence(Qt::CTRL | Qt::Key_O), ID_FILE_OPEN},
        {QKeySequence(Qt::CTRL | Qt::Key_S), ID_FILE_SAVE},
        {QKeySequence(Qt::ALT | Qt::Key_S), ID_TOOLS_WRITE_CHANGES},
        {QKeySequence(Qt::CTRL | Qt::Key_V), ID_EDIT_PASTE},
        {QKeySequence(Qt::ALT | Qt::Key_V), ID_TOOLS_VERIFY},
        {QKeySequence(Qt::ALT | Qt::Key_Backspace), ID_EDIT_UNDO},
        {QKeySequence(Qt::SHIFT | Qt::Key_Delete), ID_EDIT_CUT},
        {QKeySequence(Qt::Key_F1), ID_HELP_INDEX},
        {QKeySequence(Qt::Key_F2), ID_APP_ABOUT},
        {QKeySequence(Qt::Key_F6), ID_NEXT_PANE},
        {QKeySequence(Qt::SHIFT | Qt::Key_F6), ID_PREV_PANE},
        {QKeySequence(Qt::Key_F8), ID_FILE_MRU_FILE1},
        {QKeySequence(Qt::Key_F9), ID_FILE_RELOAD},
        {QKeySequence(Qt::ALT | Qt::Key_Z), ID_TOOLS_RESET},
    };
    return table;
}

const std::vector<ToolButtonEntry>& ToolButtons()
{
    static const std::vector<ToolButtonEntry> buttons = {
        {ID_FILE_NEW, "document-new", QStyle::SP_FileIcon},
        {ID_FILE_OPEN, "document-open", QStyle::SP_DialogOpenButton},
        {ID_FILE_SAVE, "document-save", QStyle::SP_DialogSaveButton},
        {0, nullptr, {}},
        {ID_TOOLS_READ, "go-down", QStyle::SP_ArrowDown},
        {ID_TOOLS_WRITE_CHANGES, "go-up", QStyle::SP_ArrowUp},
        {ID_TOOLS_VERIFY, "dialog-ok-apply", QStyle::SP_DialogApplyButton},
        {0, nullptr, {}},
        {ID_HELP_INDEX, "help-contents", QStyle::SP_DialogHelpButton},
    };
    return buttons;
}

QString CommandPrompt(int command)
{
    static const QHash<int, QString> prompts = {
        {ID_TOOLS_READ, QStringLiteral("Reads the memory program ")},
        {ID_TOOLS_WRITE_CHANGES, QStringLiteral("Writes the changed contents of the PC buffer ")},
        {ID_TOOLS_VERIFY, QStringLiteral("Verifies the memory of the IC")},
        {ID_EDIT_CLEAR_SELECTION, QStringLiteral("Clears red attribute made by Verify")},
        {ID_FILE_RELOAD, QStringLiteral("Reload the last file.")},
        {ID_TOOLS_WRITE_ALL, QStringLiteral("Writes all the buffer onto the IC")},
        {ID_OPTION_RST_INVERTED, QStringLiteral("Selects when -RST signal is On. Must be selected")},
        {ID_FILE_NEW, QStringLiteral("Creates a new document\nNuevo")},
        {ID_FILE_OPEN, QStringLiteral("Opens an existing document\nAbrir")},
        {ID_FILE_SAVE, QStringLiteral("Saves the document\nGuardar")},
        {ID_FILE_SAVE_AS, QStringLiteral("Saves the document with a new name")},
        {ID_FILE_MRU_FILE1, QStringLiteral("Press F8 to load last file")},
        {ID_FILE_MRU_FILE2, QStringLiteral("Opens this document")},
        {ID_FILE_MRU_FILE3, QStringLiteral("Opens this document")},
        {ID_FILE_MRU_FILE4, QStringLiteral("Opens this document")},
        {57620, QStringLiteral("Opens this document")},
        {ID_EDIT_COPY, QStringLiteral("Copies a portion of memory to an especified location.")},
        {ID_APP_EXIT, QStringLiteral("Exits the application")},
        {ID_VIEW_TOOLBAR, QStringLiteral("Toggles the tools bar")},
        {ID_VIEW_STATUS_BAR, QStringLiteral("Toggles the state bar")},
    };
    return prompts.value(command);
}
