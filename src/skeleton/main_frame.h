// SPDX-License-Identifier: MIT
// The frame window of the programs: menu bar, command bar of tool buttons and one view.
#pragma once

#include <QKeySequence>
#include <QList>
#include <QMainWindow>
#include <QSize>
#include <QString>

#include <map>
#include <vector>

#include "application.h"

class QAction;
class QToolBar;

namespace wk {

// One command: its id, menu text and, where it has them, its keys and tool-button image.
struct CommandSpec {
    int id = 0;
    QString text;
    bool checkable = false;
    QList<QKeySequence> shortcuts;
    QString iconPath;
};

// One pop-up of the menu bar; the items are command ids, cmd::kSeparator for a line.
struct MenuSpec {
    QString title;
    std::vector<int> items;
};

// Everything a program tells the frame about itself.
struct FrameSpec {
    ProgramInfo program;
    std::vector<CommandSpec> commands;
    std::vector<MenuSpec> menus;
    std::vector<int> toolButtons;  // command ids in order, cmd::kSeparator for a gap
    QSize initialSize{480, 400};
};

// Each command becomes one action shared by the menu, the tool bar and any context menu,
// named "command<id>". The frame answers About (the about box) and Exit (closes) itself;
// the view connects to the other actions.
class CMainFrame final : public QMainWindow {
    Q_OBJECT
  public:
    explicit CMainFrame(FrameSpec layout, QWidget* parent = nullptr);
    ~CMainFrame() override;

    const FrameSpec& frameLayout() const { return layout_; }

    // The action of a command id; nullptr for an id the program does not have.
    QAction* action(int id) const;
    QToolBar* commandBar() const { return commandBar_; }

    // Opens the about box modally.
    void OnAppAbout();
    // One more line for the about box, below the program's own.
    void AddAboutLine(const QString& line) { layout_.program.aboutLines << line; }

  signals:
    // The frame has become the active window.
    void activated();
    // The frame is about to close; views save what they keep across runs.
    void closing();

  protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    QMenu* createPopupMenu() override;

  private:
    FrameSpec layout_;
    std::map<int, QAction*> actions_;
    QToolBar* commandBar_ = nullptr;
    bool closed_ = false;
};

}  // namespace wk
