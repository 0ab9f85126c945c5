// The skeleton: display check, application object, frame built from a layout, about box
// and message boxes.
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include "gui_test_support.h"
#include "skeleton/about_box.h"
#include "skeleton/application.h"
#include "skeleton/commands.h"
#include "skeleton/main_frame.h"
#include "skeleton/message_box.h"

using namespace wk;
using namespace wk::testing;

namespace {

ProgramInfo TestProgram() {
    ProgramInfo info;
    info.name = u"Sample"_qs;
    info.version = u"1.2.3"_qs;
    info.aboutTitle = u"Sample のﾊﾞｰｼﾞｮﾝ情報"_qs;
    info.aboutLines = {u"Sample Version 1.2"_qs, u"二行目"_qs};
    return info;
}

FrameSpec TestFrame() {
    FrameSpec spec;
    spec.program = TestProgram();
    spec.commands = {{100, u"ひとつ"_qs, false, {QKeySequence(Qt::CTRL | Qt::Key_1)}, {}},
                     {101, u"ふたつ"_qs, true, {}, {}},
                     {102, u"みっつ"_qs, false, {}, {}},
                     {cmd::kAppAbout, u"Sampleについて..."_qs, false, {}, {}},
                     {cmd::kAppExit, u"終了"_qs, false, {}, {}}};
    spec.menus = {{u"ﾌｧｲﾙ"_qs, {cmd::kAppAbout, cmd::kSeparator, cmd::kAppExit}},
                  {u"編集"_qs, {100, cmd::kSeparator, 101, 102, 555}}};
    spec.toolButtons = {cmd::kSeparator, 100, 102};
    spec.initialSize = QSize(300, 200);
    return spec;
}

QStringList Items(const QList<QAction*>& actions) {
    QStringList items;
    for (QAction* action : actions) items << (action->isSeparator() ? u"-"_qs : action->text());
    return items;
}

}  // namespace

class SkeletonTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QuietPlatformNotes(); }
    void cleanup() { CloseAllModals(); }
    void displayCheck_data();
    void displayCheck();
    void applicationObject();
    void frameFollowsItsLayout();
    void frameAnswersAboutAndExit();
    void frameReportsActivation();
    void messageBoxes_data();
    void messageBoxes();
    void messageHookAnswers();
};

void SkeletonTest::displayCheck_data() {
    QTest::addColumn<QString>("platform");
    QTest::addColumn<QString>("x11");
    QTest::addColumn<QString>("wayland");
    QTest::addColumn<bool>("argument");
    QTest::addColumn<bool>("reachable");
    QTest::newRow("nothing") << QString() << QString() << QString() << false << false;
    QTest::newRow("X11") << QString() << u":0"_qs << QString() << false << true;
    QTest::newRow("Wayland") << QString() << QString() << u"wayland-0"_qs << false << true;
    QTest::newRow("platform named") << u"offscreen"_qs << QString() << QString() << false << true;
    QTest::newRow("-platform argument") << QString() << QString() << QString() << true << true;
}

void SkeletonTest::displayCheck() {
    QFETCH(QString, platform);
    QFETCH(QString, x11);
    QFETCH(QString, wayland);
    QFETCH(bool, argument);
    QFETCH(bool, reachable);
    DisplayEnvironment environment;
    environment.qpaPlatform = platform.toStdString();
    environment.x11Display = x11.toStdString();
    environment.waylandDisplay = wayland.toStdString();
    environment.platformArgument = argument;
    QCOMPARE(CanReachDisplay(environment), reachable);

    char program[] = "Sample";
    char option[] = "-platform";
    char value[] = "offscreen";
    char* argv[] = {program, option, value};
    QVERIFY(DisplayEnvironment::FromProcess(3, argv).platformArgument);
    QVERIFY(!DisplayEnvironment::FromProcess(1, argv).platformArgument);
    const QString message = QString::fromStdString(NoDisplayMessage("Sample"));
    QVERIFY(message.startsWith(u"Sample: "_qs));
    QVERIFY(message.contains(u"xvfb-run Sample"_qs));
}

void SkeletonTest::applicationObject() {
    CWordkeeperApp* app = CWordkeeperApp::instance();
    QVERIFY(app != nullptr);
    QCOMPARE(app->programInfo().name, u"Sample"_qs);
    QCOMPARE(QCoreApplication::organizationName(), u"Quillwren"_qs);
    QCOMPARE(QCoreApplication::applicationVersion(), u"1.2.3"_qs);
    QCOMPARE(ApplicationCaption(), u"Sample"_qs);
    QVERIFY(app->japaneseLoaded());
}

void SkeletonTest::frameFollowsItsLayout() {
    CMainFrame frame(TestFrame());
    QCOMPARE(frame.windowTitle(), u"Sample"_qs);
    const QList<QAction*> menus = frame.menuBar()->actions();
    QCOMPARE(Items(menus), (QStringList{u"ﾌｧｲﾙ"_qs, u"編集"_qs}));
    QCOMPARE(Items(menus[0]->menu()->actions()),
             (QStringList{u"Sampleについて..."_qs, u"-"_qs, u"終了"_qs}));
    // An id the program does not have is left out.
    QCOMPARE(Items(menus[1]->menu()->actions()),
             (QStringList{u"ひとつ"_qs, u"-"_qs, u"ふたつ"_qs, u"みっつ"_qs}));
    QVERIFY(frame.action(555) == nullptr);

    const QList<QAction*> buttons = frame.commandBar()->actions();
    QCOMPARE(buttons.size(), 3);
    QVERIFY(buttons[0]->isSeparator());
    // One action per command, shared by the menu and the tool bar.
    QCOMPARE(buttons[1], frame.action(100));
    QCOMPARE(buttons[2], frame.action(102));
    QCOMPARE(menus[1]->menu()->actions()[0], frame.action(100));
    QCOMPARE(frame.action(100)->objectName(), u"command100"_qs);
    QCOMPARE(frame.action(100)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_1));
    QVERIFY(frame.action(101)->isCheckable());
    QVERIFY(!frame.action(100)->isCheckable());
    QCOMPARE(frame.commandBar()->toolButtonStyle(), Qt::ToolButtonIconOnly);
    QCOMPARE(frame.commandBar()->iconSize(), QSize(16, 16));
    QVERIFY(!frame.commandBar()->isMovable());
    QCOMPARE(frame.size(), QSize(300, 200));
}

void SkeletonTest::frameAnswersAboutAndExit() {
    CMainFrame frame(TestFrame());
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QString title;
    QStringList lines;
    auto watch = WhenModal<CAboutDlg>([&](CAboutDlg* about) {
        title = about->windowTitle();
        for (QLabel* label : about->findChildren<QLabel*>()) {
            if (label->objectName().startsWith(u"static_line"_qs)) lines << label->text();
        }
        QTest::mouseClick(about->findChild<QPushButton*>(u"button1"_qs), Qt::LeftButton);
    });
    frame.action(cmd::kAppAbout)->trigger();
    QVERIFY(watch->ran && !watch->timedOut);
    QCOMPARE(title, u"Sample のﾊﾞｰｼﾞｮﾝ情報"_qs);
    QCOMPARE(lines, (QStringList{u"Sample Version 1.2"_qs, u"二行目"_qs}));

    QSignalSpy closing(&frame, &CMainFrame::closing);
    frame.action(cmd::kAppExit)->trigger();
    QVERIFY(!frame.isVisible());
    QCOMPARE(closing.count(), 1);
    frame.close();
    QCOMPARE(closing.count(), 1);
}

void SkeletonTest::frameReportsActivation() {
    CMainFrame frame(TestFrame());
    QSignalSpy activated(&frame, &CMainFrame::activated);
    frame.show();
    frame.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    QTRY_COMPARE(activated.count(), 1);
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QCOMPARE(activated.count(), 1);  // losing the focus is no activation
    frame.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    QTRY_COMPARE(activated.count(), 2);
}

void SkeletonTest::messageBoxes_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QStringList>("buttons");  // texts, the default one first
    QTest::newRow("notice") << int(MessageKind::Notice) << u"確認"_qs << int(QMessageBox::Warning)
                            << QStringList{u"OK"_qs};
    QTest::newRow("question") << int(MessageKind::Question) << u"確認"_qs
                              << int(QMessageBox::Question)
                              << QStringList{u"はい"_qs, u"いいえ"_qs};
    QTest::newRow("application") << int(MessageKind::Application) << u"Sample"_qs
                                 << int(QMessageBox::Warning) << QStringList{u"OK"_qs};
}

void SkeletonTest::messageBoxes() {
    QFETCH(int, kind);
    QFETCH(QString, caption);
    QFETCH(int, icon);
    QFETCH(QStringList, buttons);
    QWidget owner;
    owner.show();
    QString shownCaption;
    QString shownText;
    int shownIcon = -1;
    QStringList shownButtons;
    auto watch = WhenModal<QMessageBox>([&](QMessageBox* box) {
        shownCaption = box->windowTitle();
        shownText = box->text();
        shownIcon = box->icon();
        shownButtons << box->defaultButton()->text().remove(u'&');
        for (QAbstractButton* button : box->buttons()) {
            if (button != box->defaultButton()) shownButtons << button->text().remove(u'&');
        }
        // Answer with the default button, as Enter would.
        QTest::keyClick(box, Qt::Key_Return);
    });
    bool answer = false;
    switch (MessageKind(kind)) {
        case MessageKind::Notice:
            ShowNotice(&owner, u"単語削除できません"_qs);
            break;
        case MessageKind::Question:
            answer = AskYesNo(&owner, u"単語削除できません"_qs);
            break;
        case MessageKind::Application:
            ShowApplicationMessage(&owner, u"単語削除できません"_qs);
            break;
    }
    QVERIFY(watch->ran && !watch->timedOut);
    QCOMPARE(shownCaption, caption);
    QCOMPARE(shownText, u"単語削除できません"_qs);
    QCOMPARE(shownIcon, icon);
    // Qt's Japanese texts may carry a mnemonic in brackets, as "はい(Y)".
    QCOMPARE(shownButtons.size(), buttons.size());
    for (int i = 0; i < buttons.size(); ++i)
        QVERIFY2(shownButtons[i].startsWith(buttons[i]), qPrintable(shownButtons.join(u',')));
    QCOMPARE(answer, MessageKind(kind) == MessageKind::Question);
}

void SkeletonTest::messageHookAnswers() {
    std::vector<MessageRequest> seen;
    SetMessageHook([&](const MessageRequest& request) {
        seen.push_back(request);
        return false;
    });
    QVERIFY(!AskYesNo(nullptr, u"よろしいですか?"_qs));
    ShowNotice(nullptr, std::u16string_view(u"通知"));
    SetMessageHook({});
    QCOMPARE(seen.size(), std::size_t{2});
    QCOMPARE(seen[0].kind, MessageKind::Question);
    QCOMPARE(seen[1].text, u"通知"_qs);
    QCOMPARE(seen[1].caption, u"確認"_qs);
    // The No button of a real question is its escape button.
    std::unique_ptr<QMessageBox> box(
        CreateMessageBox({nullptr, MessageKind::Question, u"確認"_qs, u"?"_qs}));
    QCOMPARE(box->escapeButton(), box->button(QMessageBox::No));
    QCOMPARE(box->defaultButton(), box->button(QMessageBox::Yes));
}

int main(int argc, char** argv) {
    PrepareGuiTestEnvironment();
    CWordkeeperApp app(argc, argv, TestProgram());
    SkeletonTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "skeleton_test.moc"
