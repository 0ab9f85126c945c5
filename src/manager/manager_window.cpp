// SPDX-License-Identifier: MIT
#include "manager_window.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QScreen>
#include <QStatusBar>

#include "commands.h"
#include "core/messages.h"
#include "single_instance.h"
#include "skeleton/application.h"
#include "skeleton/qt_settings_store.h"
#include "skeleton/qt_text.h"

static void InitManagerResources() { Q_INIT_RESOURCE(wordkeeper); }

namespace wk {

ProgramInfo ManagerProgramInfo() {
    InitManagerResources();
    return SuiteProgramInfo(QStringLiteral("Wordkeeper"),
                            QStringLiteral("入力方式のユーザー辞書を管理します"),
                            QStringLiteral(":/icons/wordkeeper.png"));
}

FrameSpec ManagerFrameSpec() {
    using Keys = QList<QKeySequence>;
    FrameSpec layout;
    layout.program = ManagerProgramInfo();
    layout.commands = {
        {cmd::kBulkRegister, QStringLiteral("ﾃｷｽﾄﾌｧｲﾙから一括登録..."), false, {}, {}},
        {cmd::kExportText, QStringLiteral("ﾃｷｽﾄﾌｧｲﾙヘ出力..."), false, {}, {}},
        {cmd::kAppAbout, QStringLiteral("Wordkeeperについて..."), false, {}, {}},
        {cmd::kAppExit, ToQString(msg::kExit), false, {}, {}},
        {cmd::kNewWord, QStringLiteral("新規登録..."), false,
         Keys{QKeySequence(Qt::CTRL | Qt::Key_N)}, QStringLiteral(":/icons/new.png")},
        {cmd::kChangeWord, QStringLiteral("変更..."), false,
         Keys{QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)},
         QStringLiteral(":/icons/change.png")},
        {cmd::kDeleteWords, QStringLiteral("削除..."), false, Keys{QKeySequence(Qt::Key_Delete)},
         QStringLiteral(":/icons/delete.png")},
        {cmd::kEditFind, QStringLiteral("検索..."), false, Keys{QKeySequence(Qt::CTRL | Qt::Key_F)},
         QStringLiteral(":/icons/find.png")},
        {cmd::kFindNext, QStringLiteral("次を検索"), false, Keys{QKeySequence(Qt::Key_F3)}, {}},
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
        {ToQString(msg::kMenuFile),
         {cmd::kBulkRegister, cmd::kExportText, cmd::kSeparator, cmd::kAppAbout, cmd::kSeparator,
          cmd::kAppExit}},
        {ToQString(msg::kMenuEdit),
         {cmd::kNewWord, cmd::kChangeWord, cmd::kDeleteWords, cmd::kSeparator, cmd::kEditFind,
          cmd::kFindNext, cmd::kSeparator, cmd::kMultiSelect, cmd::kSelectAll, cmd::kSeparator,
          cmd::kRefresh}},
    };
    layout.toolButtons = {cmd::kSeparator, cmd::kNewWord, cmd::kChangeWord, cmd::kDeleteWords,
                          cmd::kEditFind};
    // The columns at their widths and room beside them for longer words.
    layout.initialSize = QSize(640, 480);
    return layout;
}

QString StatusText(int words, const std::u16string& imeName, const std::string& dictionaryPath) {
    QStringList parts{QStringLiteral("%1 個の単語").arg(words)};
    if (!imeName.empty()) parts << ToQString(msg::kImeLabel) + ToQString(imeName);
    if (!dictionaryPath.empty())
        parts << QStringLiteral("辞書: ") + QFile::decodeName(dictionaryPath.c_str());
    return parts.join(QStringLiteral("    "));
}

ManagerWindow::ManagerWindow(Dictionary& dictionary, SettingsStore& settings)
    : dictionary_(dictionary), frame_(std::make_unique<CMainFrame>(ManagerFrameSpec())) {
    view_ = new CWordkeeperView(dictionary, settings, frame_.get());
    view_->SetWindowState(&state_);
    frame_->setCentralWidget(view_);
    view_->AttachFrame(*frame_);

    const std::u16string name = dictionary.ime().Name();
    if (!name.empty()) frame_->AddAboutLine(ToQString(msg::kImeLabel) + ToQString(name));
    status_ = new QLabel(frame_.get());
    status_->setObjectName(QStringLiteral("statusText"));
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    frame_->statusBar()->addWidget(status_, 1);
    QObject::connect(view_, &CWordkeeperView::itemCountChanged, status_,
                     [this](int words) { UpdateStatus(words); });
    UpdateStatus(0);

    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens()) screens << screen->availableGeometry();
    const WindowPlacement placement =
        PlaceWindow(state_.Geometry(), frame_->frameLayout().initialSize, screens);
    frame_->resize(placement.size);
    if (placement.position) frame_->move(*placement.position);
    QObject::connect(frame_.get(), &CMainFrame::closing, frame_.get(), [this] {
        state_.SaveGeometry(QRect(frame_->pos(), frame_->isMaximized() || frame_->isFullScreen()
                                                     ? frame_->normalGeometry().size()
                                                     : frame_->size()));
    });
}

ManagerWindow::~ManagerWindow() {
    if (view_ != nullptr) view_->OnDestroy();
}

void ManagerWindow::UpdateStatus(int words) {
    status_->setText(
        StatusText(words, dictionary_.ime().Name(), dictionary_.ime().DictionaryPath()));
}

bool ManagerWindow::ClaimDictionary(const QString& dictionary) {
    instance_ = std::make_unique<SingleInstance>(dictionary);
    if (!instance_->Claim()) return false;
    QObject::connect(instance_.get(), &SingleInstance::raiseRequested, frame_.get(),
                     [this] { ComeToFront(); });
    return true;
}

void ManagerWindow::ComeToFront() {
    frame_->setWindowState(frame_->windowState() & ~Qt::WindowMinimized);
    frame_->show();
    frame_->raise();
    frame_->activateWindow();
}

void ManagerWindow::Start() {
    frame_->show();
    view_->setFocus();
    view_->OnInitialUpdate();
}

std::string ManagerUsage() {
    return ProgramUsage(ManagerProgramInfo().name,
                        "画面のない環境では xvfb-run Wordkeeper で起動できます。\n");
}

int RunManagerSession(const ManagerArguments& arguments) {
    return RunOnInputMethod(arguments, [](InputMethod& ime, const std::string& choice) {
        QtSettingsStore settings;
        Dictionary dictionary(ime);
        ManagerWindow window(dictionary, settings);
        // A manager already open on this dictionary comes to the front instead of a second
        // one.
        const std::string file = ime.DictionaryPath();
        if (!window.ClaimDictionary(file.empty() ? QString::fromStdString(choice)
                                                 : QFile::decodeName(file.c_str())))
            return 0;
        window.Start();
        return QApplication::exec();
    });
}

int RunManager(int argc, char** argv) {
    return RunProgram(argc, argv, ManagerProgramInfo(), ManagerUsage(), RunManagerSession);
}

}  // namespace wk
