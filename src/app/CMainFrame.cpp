#include "CMainFrame.h"

#include "CommandId.h"
#include "KeyboardLocks.h"
#include "MenuTable.h"

#include <CVorlaneDoc.h>
#include <ElidedLabel.h>
#include <FrameCaption.h>
#include <JobWindow.h>

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>

namespace {

// How QStatusBar lays out: 6 px between panes, and a message drawn from 6 px
// in to 2 px before the first permanent pane.
constexpr int kPaneSpacing = 6;
constexpr int kMessageMargins = 6 + 2;

QString PromptPart(const QString& prompt, int index)
{
    return prompt.section(QLatin1Char('\n'), index, index);
}

QString WithoutMarks(const QString& path)
{
    return QString(path).remove(QLatin1Char('&'));
}

} // namespace

CMainFrame::CMainFrame(CVorlaneDoc* document) : document_(document)
{
    setObjectName(QStringLiteral("CMainFrame"));
    buildMenus();
    buildAccelerators();
    buildToolBar();
    buildStatusBar();
    connect(document_, &CVorlaneDoc::captionChanged, this, &CMainFrame::updateCaption);
    updateCaption();
    resize(720, 560);
}

QMenu* CMainFrame::menuFor(const QString& path)
{
    if (QMenu* existing = menus_.value(WithoutMarks(path)))
        return existing;
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    QMenu* created = slash < 0 ? menuBar()->addMenu(path)
                               : menuFor(path.left(slash))->addMenu(path.mid(slash + 1));
    menus_.insert(WithoutMarks(path), created);
    return created;
}

QActionGroup* CMainFrame::groupFor(const QString& path)
{
    QActionGroup*& group = groups_[WithoutMarks(path)];
    if (!group) {
        // Exclusive: choosing the checked item again keeps it checked. A
        // group may still show no item checked (a stored pin above D7).
        group = new QActionGroup(this);
        group->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    }
    return group;
}

void CMainFrame::buildMenus()
{
    for (const MenuEntry& e : MenuEntries()) {
        QMenu* menu = menuFor(QString::fromLatin1(e.menu));
        if (e.command == 0) {
            menu->addSeparator();
            continue;
        }
        // Qt shows the text after "\t" as the key hint, as the menu wants it;
        // the keys that work come from the accelerators alone.
        QAction* a = menu->addAction(e.text);
        a->setCheckable(e.mark != MenuEntry::Mark::None);
        // In a group Qt draws the items as radio buttons.
        if (e.mark == MenuEntry::Mark::Radio)
            groupFor(QString::fromLatin1(e.menu))->addAction(a);
        a->setEnabled(false); // until something handles it
        const QString prompt = CommandPrompt(e.command);
        a->setStatusTip(PromptPart(prompt, 0));
        const QString tip = PromptPart(prompt, 1);
        a->setToolTip(tip.isEmpty() ? QString(e.text).remove(QLatin1Char('&')).section(QLatin1Char('\t'), 0, 0) : tip);
        a->setData(e.command);
        actions_.insert(e.command, a);
        if (e.command == ID_FILE_MRU_FILE1) {
            // Room for the other three entries, shown when there are files.
            for (int id = ID_FILE_MRU_FILE2; id <= ID_FILE_MRU_FILE4; ++id) {
                QAction* entry = menu->addAction(QString());
                entry->setVisible(false);
                entry->setData(id);
                entry->setStatusTip(CommandPrompt(id));
                actions_.insert(id, entry);
            }
        }
    }
    setChecked(ID_DEVICE_AT89S53, true);
}

void CMainFrame::buildAccelerators()
{
    for (const AcceleratorEntry& acc : Accelerators()) {
        // Keys without a handler (paste, undo, cut, panes) are still taken,
        // so they never reach the view as typing.
        auto* shortcut = new QShortcut(acc.keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        const int command = acc.command;
        connect(shortcut, &QShortcut::activated, this, [this, command] { runCommand(command); });
    }
}

void CMainFrame::buildToolBar()
{
    toolBar_ = addToolBar(QStringLiteral("Toolbar"));
    toolBar_->setObjectName(QStringLiteral("toolbar"));
    toolBar_->setIconSize(QSize(16, 16));
    const QList<QAction*> tools = menu(QStringLiteral("Tools"))->actions();
    for (const ToolButtonEntry& b : ToolButtons()) {
        if (b.command == 0) {
            toolBar_->addSeparator();
            continue;
        }
        QAction* a = action(b.command);
        a->setIcon(QIcon::fromTheme(QLatin1String(b.themeIcon), style()->standardIcon(b.fallbackIcon)));
        // In the Tools menu the icon column belongs to the options' check
        // marks and radio dots: Verify's tick there would read as a checked
        // option. The File menu keeps its pictures.
        a->setIconVisibleInMenu(!tools.contains(a));
        toolBar_->addAction(a);
    }
    QAction* toggle = action(ID_VIEW_TOOLBAR);
    setHandler(ID_VIEW_TOOLBAR, [this] { toolBar_->setVisible(!toolBar_->isVisible()); });
    connect(toolBar_, &QToolBar::visibilityChanged, toggle, [this](bool) { setChecked(ID_VIEW_TOOLBAR, !toolBar_->isHidden()); });
    toggle->setChecked(true);
}

void CMainFrame::buildStatusBar()
{
    QStatusBar* bar = statusBar();
    // Qt hides this label while a prompt is shown and brings it back after.
    ready_ = new QLabel(QStringLiteral("Ready"));
    bar->addWidget(ready_, 1);
    portPane_ = new ElidedLabel;
    portPane_->setObjectName(QStringLiteral("portPane"));
    // Cut in the middle: the chip file's name at the end stays in sight.
    portPane_->setElideMode(Qt::ElideMiddle);
    bar->addPermanentWidget(portPane_);
    for (int i = 0; i < 3; ++i) {
        lockPanes_[i] = new QLabel;
        lockPanes_[i]->setMinimumWidth(lockPanes_[i]->fontMetrics().horizontalAdvance(QStringLiteral("DESP")) + 8);
        lockPanes_[i]->setAlignment(Qt::AlignCenter);
        bar->addPermanentWidget(lockPanes_[i]);
    }
    setHandler(ID_VIEW_STATUS_BAR, [this] { statusBar()->setVisible(statusBar()->isHidden()); setChecked(ID_VIEW_STATUS_BAR, !statusBar()->isHidden()); });
    setChecked(ID_VIEW_STATUS_BAR, true);
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &CMainFrame::refreshLockPanes);
    timer->start(500);
    refreshLockPanes();
}

void CMainFrame::refreshLockPanes()
{
    const KeyboardLocks locks = KeyboardLocks::Read();
    const std::optional<bool> states[] = {locks.caps, locks.num, locks.scroll};
    const char* texts[] = {"MAY", "NUM", "DESP"};
    for (int i = 0; i < 3; ++i)
        lockPanes_[i]->setText(states[i].value_or(false) ? QLatin1String(texts[i]) : QString());
}

void CMainFrame::showStatusMessage(const QString& text)
{
    message_ = text;
    fitMessage();
}

void CMainFrame::fitMessage()
{
    // The status bar draws a message up to the port pane and clips it there,
    // mid-letter against the pane's text; shortened with "…" and a gap
    // before the pane, it reads as cut.
    const QFontMetrics metrics = statusBar()->fontMetrics();
    const int room = portPane_->x() - kMessageMargins - metrics.averageCharWidth();
    fittedMessage_ = portPane_->x() > 0 ? metrics.elidedText(message_, Qt::ElideRight, room) : message_;
    statusBar()->showMessage(fittedMessage_);
}

void CMainFrame::setPortLine(const QString& text)
{
    portPane_->setText(text);
    portPane_->setToolTip(text);
}

void CMainFrame::reserveMessageRoom(const QStringList& messages)
{
    const QFontMetrics metrics = statusBar()->fontMetrics();
    int widest = 0;
    for (const QString& m : messages)
        widest = std::max(widest, metrics.horizontalAdvance(m));
    for (const QAction* a : std::as_const(actions_))
        widest = std::max(widest, metrics.horizontalAdvance(a->statusTip()));
    messageRoom_ = widest + metrics.averageCharWidth();
    limitPortPane();
}

void CMainFrame::limitPortPane()
{
    // A message hides the "Ready" pane and is drawn up to the port pane,
    // which would otherwise take all the room its text asks for. The lock
    // panes sit at the right end whatever the port pane's width.
    const int locksLeft = lockPanes_[0]->x();
    if (locksLeft <= 0)
        return; // not laid out yet
    const int room = locksLeft - kPaneSpacing - messageRoom_ - kMessageMargins;
    portPane_->setMaximumWidth(std::max(portPane_->minimumSizeHint().width(), room));
}

void CMainFrame::fitStatusLine()
{
    // The panes' places may be older than their texts.
    if (QLayout* panes = statusBar()->layout())
        panes->activate();
    const int rightOfPort = statusBar()->width() - lockPanes_[0]->x() + kPaneSpacing;
    const int needed = kMessageMargins + messageRoom_ + portPane_->sizeHint().width() + rightOfPort;
    int room = needed;
    if (QScreen* s = screen())
        room = s->availableGeometry().width() - (frameGeometry().width() - width());
    const int wanted = std::min(needed, room);
    if (wanted > width())
        resize(wanted, height());
    limitPortPane();
}

void CMainFrame::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    limitPortPane();
    // Still the job's line (no prompt over it): fitted to the new room.
    if (!message_.isEmpty() && statusBar()->currentMessage() == fittedMessage_) {
        if (QLayout* panes = statusBar()->layout())
            panes->activate();
        fitMessage();
    }
}

void CMainFrame::setRecentFiles(const QStringList& menuTexts)
{
    for (int i = 0; i < 4; ++i) {
        QAction* entry = action(ID_FILE_MRU_FILE1 + i);
        if (i < menuTexts.size()) {
            entry->setText(menuTexts[i]);
            entry->setVisible(true);
            entry->setEnabled(true);
        } else if (i == 0) {
            entry->setText(QStringLiteral("Recent &files"));
            entry->setEnabled(false);
        } else {
            entry->setVisible(false);
        }
    }
}

void CMainFrame::setHandler(int command, std::function<void()> handler)
{
    QAction* a = action(command);
    if (!a)
        return;
    a->disconnect(this);
    connect(a, &QAction::triggered, this, [handler = std::move(handler)] { handler(); });
    a->setEnabled(true);
}

bool CMainFrame::runCommand(int command)
{
    QAction* a = action(command);
    if (!a || !a->isEnabled())
        return false;
    a->trigger();
    return true;
}

void CMainFrame::setChecked(int command, bool checked)
{
    if (QAction* a = action(command))
        a->setChecked(checked);
}

bool CMainFrame::isChecked(int command) const
{
    QAction* a = action(command);
    return a && a->isChecked();
}

void CMainFrame::updateCaption()
{
    setWindowTitle(FrameCaption(document_->title()));
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    // A job holds the chip in programming state until it ends.
    if (JobWindow::anyJobRunning() || !document_->SaveModified()) {
        event->ignore();
        return;
    }
    emit closing();
    event->accept();
}
