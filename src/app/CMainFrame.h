#pragma once

#include <QHash>
#include <QMainWindow>

#include <functional>

class ElidedLabel;
class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QToolBar;
class CVorlaneDoc;

// The main window: menu, accelerators, tool bar and status bar. Every command
// is a QAction reachable by its identifier; the owners of the commands
// connect their handlers to it.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(CVorlaneDoc* document);

    QAction* action(int command) const { return actions_.value(command); }
    // Runs the command as the menu would; false when nothing handles it.
    bool runCommand(int command);
    void setHandler(int command, std::function<void()> handler);
    void setChecked(int command, bool checked);
    bool isChecked(int command) const;

    QToolBar* toolBar() const { return toolBar_; }
    // A menu by its path without the "&" marks: "Tools/Options/Select CLK Pin".
    QMenu* menu(const QString& path) const { return menus_.value(path); }
    QLabel* messagePane() const { return ready_; }
    QLabel* lockPane(int index) const { return lockPanes_[index]; }
    ElidedLabel* portPane() const { return portPane_; }

    // Shown in the message pane until the pointer brings a prompt.
    void showStatusMessage(const QString& text);
    // The job's line whole, as the pane shows it where it fits.
    const QString& statusMessage() const { return message_; }
    // The port in use, or why there is none: a pane of its own that no
    // prompt covers, with the whole text as its tool tip.
    void setPortLine(const QString& text);
    // The room a message keeps in the status bar: the widest prompt, or of
    // `messages`. The port line is cut before a message is.
    void reserveMessageRoom(const QStringList& messages);
    // Without a stored size: wide enough for the whole status line, as far
    // as the screen allows.
    void fitStatusLine();
    // Up to four entries in place of "Recent files"; each runs its command.
    void setRecentFiles(const QStringList& menuTexts);
    void refreshLockPanes();

signals:
    void closing();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildMenus();
    void buildAccelerators();
    void buildToolBar();
    void buildStatusBar();
    QMenu* menuFor(const QString& path);
    QActionGroup* groupFor(const QString& path);
    void updateCaption();
    void limitPortPane();
    void fitMessage();

    CVorlaneDoc* document_;
    QHash<int, QAction*> actions_;
    QHash<QString, QMenu*> menus_;
    QHash<QString, QActionGroup*> groups_;
    QToolBar* toolBar_ = nullptr;
    QLabel* ready_ = nullptr;
    QLabel* lockPanes_[3] = {};
    ElidedLabel* portPane_ = nullptr;
    int messageRoom_ = 0;
    QString message_;       // the job's line, whole
    QString fittedMessage_; // as shown
};
