#include "manager_window.h"

#include <QApplication>

#include "commands.h"
#include "core/version.h"
#include "ime/backend.h"
#include "skeleton/application.h"
#include "skeleton/message_box.h"
#include "skeleton/qt_settings_store.h"

static void InitManagerResources() { Q_INIT_RESOURCE(wordkeeper); }

namespace wk {

ProgramInfo ManagerProgramInfo() {
    InitManagerResources();
    ProgramInfo info;
    info.name = QStringLiteral("Wordkeeper");
    info.version = QString::fromLatin1(kVersion);
    info.aboutTitle = QStringLiteral("Wordkeeper のﾊﾞｰｼﾞｮﾝ情報");
    info.aboutLines = {QStringLiteral("Wordkeeper Version ") + QString::fromLatin1(kVersionShort),
                       QStringLiteral("入力方式のユーザー辞書を管理します"),
                       QStringLiteral("Copyright (C) Quillwren")};
    info.iconPath = QStringLiteral(":/icons/wordkeeper.png");
    return info;
}

FrameSpec ManagerFrameSpec() {
    using Keys = QList<QKeySequence>;
    FrameSpec layout;
    layout.program = ManagerProgramInfo();
    layout.commands = {
        {cmd::kBulkRegister, QStringLiteral("ﾃｷｽﾄﾌｧｲﾙから一括登録..."), false, {}, {}},
        {cmd::kExportText, QStringLiteral("ﾃｷｽﾄﾌｧｲﾙヘ出力..."), false, {}, {}},
        {cmd::kAppAbout, QStringLiteral("Wordkeeperについて..."), false, {}, {}},
        {cmd::kAppExit, QStringLiteral("終了"), false, {}, {}},
        {cmd::kNewWord, QStringLiteral("新規登録..."), false,
         Keys{QKeySequence(Qt::CTRL | Qt::Key_N)}, QStringLiteral(":/icons/new.png")},
        {cmd::kChangeWord, QStringLiteral("変更..."), false,
         Keys{QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)},
         QStringLiteral(":/icons/change.png")},
        {cmd::kDeleteWords, QStringLiteral("削除..."), false, Keys{QKeySequence(Qt::Key_Delete)},
         QStringLiteral(":/icons/delete.png")},
        {cmd::kEditFind, QStringLiteral("検索..."), false, Keys{QKeySequence(Qt::CTRL | Qt::Key_F)},
         QStringLiteral(":/icons/find.png")},
        {cmd::kMultiSelect, QStringLiteral("複数選択"), true, {}, {}},
        {cmd::kSelectAll,
         QStringLiteral("全てを選択"),
         false,
         Keys{QKeySequence(Qt::CTRL | Qt::Key_A)},
         {}},
        {cmd::kRefresh,
         QStringLiteral("最新の情報に更新"),
         false,
         Keys{QKeySequence(Qt::Key_F5)},
         {}},
    };
    layout.menus = {
        {QStringLiteral("ﾌｧｲﾙ"),
         {cmd::kBulkRegister, cmd::kExportText, cmd::kSeparator, cmd::kAppAbout, cmd::kSeparator,
          cmd::kAppExit}},
        {QStringLiteral("編集"),
         {cmd::kNewWord, cmd::kChangeWord, cmd::kDeleteWords, cmd::kSeparator, cmd::kEditFind,
          cmd::kSeparator, cmd::kMultiSelect, cmd::kSelectAll, cmd::kSeparator, cmd::kRefresh}},
    };
    layout.toolButtons = {cmd::kSeparator, cmd::kNewWord, cmd::kChangeWord, cmd::kDeleteWords,
                          cmd::kEditFind};
    layout.initialSize = QSize(480, 400);
    return layout;
}

ManagerWindow::ManagerWindow(Dictionary& dictionary, SettingsStore& settings)
    : frame_(std::make_unique<CMainFrame>(ManagerFrameSpec())) {
    view_ = new CWordkeeperView(dictionary, settings, frame_.get());
    frame_->setCentralWidget(view_);
    view_->AttachFrame(*frame_);
}

ManagerWindow::~ManagerWindow() {
    if (view_ != nullptr) view_->OnDestroy();
}

void ManagerWindow::Start() {
    frame_->show();
    view_->setFocus();
    view_->OnInitialUpdate();
}

std::string ManagerUsage() {
    return "使い方: Wordkeeper [--ime 入力方式]\n"
           "\n" WK_IME_OPTION_HELP
           "\n"
           "画面のない環境では xvfb-run Wordkeeper で起動できます。\n";
}

int RunManagerSession(const ManagerArguments& arguments) {
    ime::OpenedInputMethod opened = ime::OpenInputMethod(
        ime::ChooseImeSpec(arguments.imeOption, QtSettingsStore::InputMethodSetting()));
    if (!opened.ime) return ReportDictionaryNotOpened(opened.error);
    QtSettingsStore settings;
    Dictionary dictionary(*opened.ime);
    ManagerWindow window(dictionary, settings);
    window.Start();
    return QApplication::exec();
}

int RunManager(int argc, char** argv) {
    return RunProgram(argc, argv, ManagerProgramInfo(), ManagerUsage(), RunManagerSession);
}

}  // namespace wk
