// SPDX-License-Identifier: MIT
#include "quick_add_window.h"

#include <QApplication>

#include "commands.h"
#include "core/messages.h"
#include "skeleton/application.h"
#include "skeleton/qt_settings_store.h"
#include "skeleton/qt_text.h"

static void InitQuickAddResources() { Q_INIT_RESOURCE(wordkeeper_add); }

namespace wk {

ProgramInfo QuickAddProgramInfo() {
    InitQuickAddResources();
    return SuiteProgramInfo(QStringLiteral("WordkeeperAdd"),
                            QStringLiteral("入力方式のユーザー辞書に単語を一つずつ登録します"),
                            QStringLiteral(":/icons/wordkeeper_add.png"));
}

FrameSpec QuickAddFrameSpec() {
    using Keys = QList<QKeySequence>;
    FrameSpec layout;
    layout.program = QuickAddProgramInfo();
    layout.commands = {
        {cmd::kAppAbout, QStringLiteral("WordkeeperAddについて..."), false, {}, {}},
        {cmd::kAppExit, ToQString(msg::kExit), false, {}, {}},
        {cmd::kEditCut, QStringLiteral("切り取り"), false, Keys{QKeySequence(Qt::CTRL | Qt::Key_X)},
         QStringLiteral(":/icons/cut.png")},
        {cmd::kEditCopy, QStringLiteral("ｺﾋﾟｰ"), false, Keys{QKeySequence(Qt::CTRL | Qt::Key_C)},
         QStringLiteral(":/icons/copy.png")},
        {cmd::kEditPaste, QStringLiteral("貼り付け"), false,
         Keys{QKeySequence(Qt::CTRL | Qt::Key_V)}, QStringLiteral(":/icons/paste.png")},
    };
    layout.menus = {
        {ToQString(msg::kMenuFile), {cmd::kAppAbout, cmd::kSeparator, cmd::kAppExit}},
        {ToQString(msg::kMenuEdit), {cmd::kEditCut, cmd::kEditCopy, cmd::kEditPaste}},
    };
    layout.toolButtons = {cmd::kSeparator, cmd::kEditCut, cmd::kEditCopy, cmd::kEditPaste,
                          cmd::kSeparator};
    layout.initialSize = QSize(320, 200);
    return layout;
}

QuickAddWindow::QuickAddWindow(InputMethod& ime, SettingsStore& settings, ManagerLauncher launcher)
    : frame_(std::make_unique<CMainFrame>(QuickAddFrameSpec())) {
    view_ = new CWordkeeperAddView(ime, settings, std::move(launcher), frame_.get());
    frame_->setCentralWidget(view_);
    view_->AttachFrame(*frame_);
    // Large enough for the whole form in any font.
    frame_->resize(frame_->sizeHint().expandedTo(frame_->frameLayout().initialSize));
}

QuickAddWindow::~QuickAddWindow() = default;

void QuickAddWindow::Start() {
    frame_->show();
    view_->OnInitialUpdate();
}

std::string QuickAddUsage() {
    return ProgramUsage(
        QuickAddProgramInfo().name,
        "Wordkeeper起動 のボタンは、このプログラムと同じフォルダーの Wordkeeper を\n"
        "(なければ Wordkeeper.desktop を) 起動します。\n");
}

ManagerLauncher SessionLauncher(const std::string& imeSpec) {
    ManagerLauncher launcher(QCoreApplication::applicationDirPath());
    // The manager works on the dictionary this program registers into, whatever its own
    // choice would have been.
    launcher.environment().insert(QStringLiteral("WORDKEEPER_IME"),
                                  QString::fromStdString(imeSpec));
    return launcher;
}

int RunQuickAddSession(const ProgramArguments& arguments) {
    return RunOnInputMethod(arguments, [](InputMethod& ime, const std::string& choice) {
        QtSettingsStore settings;
        QuickAddWindow window(ime, settings, SessionLauncher(choice));
        window.Start();
        return QApplication::exec();
    });
}

int RunQuickAdd(int argc, char** argv) {
    return RunProgram(argc, argv, QuickAddProgramInfo(), QuickAddUsage(), RunQuickAddSession);
}

}  // namespace wk
