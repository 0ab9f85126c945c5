// SPDX-License-Identifier: MIT
#include "main_frame.h"

#include <QAction>
#include <QCloseEvent>
#include <QEvent>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include "about_box.h"
#include "commands.h"

namespace wk {

CMainFrame::CMainFrame(FrameSpec layout, QWidget* parent)
    : QMainWindow(parent), layout_(std::move(layout)) {
    setObjectName(QStringLiteral("mainFrame"));
    setWindowTitle(layout_.program.name);
    if (!layout_.program.iconPath.isEmpty()) setWindowIcon(QIcon(layout_.program.iconPath));

    for (const CommandSpec& command : layout_.commands) {
        auto* action = new QAction(command.text, this);
        action->setObjectName(QStringLiteral("command%1").arg(command.id));
        action->setData(command.id);
        action->setCheckable(command.checkable);
        if (!command.shortcuts.isEmpty()) {
            action->setShortcuts(command.shortcuts);
            action->setShortcutContext(Qt::WindowShortcut);
        }
        if (!command.iconPath.isEmpty()) action->setIcon(QIcon(command.iconPath));
        action->setIconVisibleInMenu(false);
        actions_[command.id] = action;
        // Actions only reachable by a key still have to belong to the window.
        addAction(action);
    }

    int menuIndex = 0;
    for (const MenuSpec& menuSpec : layout_.menus) {
        QMenu* menu = menuBar()->addMenu(menuSpec.title);
        menu->setObjectName(QStringLiteral("menu%1").arg(menuIndex++));
        for (int id : menuSpec.items) {
            if (id == cmd::kSeparator) {
                menu->addSeparator();
            } else if (QAction* item = action(id)) {
                menu->addAction(item);
            }
        }
    }

    commandBar_ = addToolBar(QString());
    commandBar_->setObjectName(QStringLiteral("commandBar"));
    commandBar_->setMovable(false);
    commandBar_->setFloatable(false);
    commandBar_->setIconSize(QSize(16, 16));
    commandBar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (int id : layout_.toolButtons) {
        if (id == cmd::kSeparator) {
            commandBar_->addSeparator();
        } else if (QAction* button = action(id)) {
            commandBar_->addAction(button);
        }
    }

    if (QAction* about = action(cmd::kAppAbout))
        connect(about, &QAction::triggered, this, &CMainFrame::OnAppAbout);
    if (QAction* exit = action(cmd::kAppExit))
        connect(exit, &QAction::triggered, this, &QWidget::close);

    resize(layout_.initialSize);
}

CMainFrame::~CMainFrame() = default;

QAction* CMainFrame::action(int id) const {
    const auto found = actions_.find(id);
    return found != actions_.end() ? found->second : nullptr;
}

void CMainFrame::OnAppAbout() {
    CAboutDlg about(layout_.program, this);
    about.exec();
}

void CMainFrame::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) emit activated();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!closed_) {
        closed_ = true;
        emit closing();
    }
    event->accept();
}

QMenu* CMainFrame::createPopupMenu() {
    // The command bar is part of the frame; it offers no menu to hide it.
    return nullptr;
}

}  // namespace wk
