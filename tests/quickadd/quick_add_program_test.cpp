// The WordkeeperAdd program as a whole: command line, no display, a store that cannot be
// opened, and the frame it shows.
#include <QMenuBar>
#include <QProcess>
#include <QTest>
#include <QToolBar>

#include "gui_test_support.h"
#include "quickadd/quick_add_window.h"
#include "skeleton/message_box.h"

using namespace wk;
using namespace wk::testing;

class QuickAddProgramTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QuietPlatformNotes(); }
    void commandLine_data();
    void commandLine();
    void storeThatCannotBeOpened();
    void frameLayout();
    void installedEntries();
};

void QuickAddProgramTest::commandLine_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("platform");  // QT_QPA_PLATFORM; DISPLAY is never set
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output");  // expected in stdout and stderr together
    QTest::newRow("no display") << QStringList{} << QString() << 1 << u"xvfb-run WordkeeperAdd"_qs;
    QTest::newRow("help") << QStringList{u"--help"_qs} << QString() << 0
                          << u"使い方: WordkeeperAdd [--ime 入力方式]"_qs;
    QTest::newRow("version") << QStringList{u"--version"_qs} << QString() << 0
                             << u"WordkeeperAdd 0.5.0"_qs;
    QTest::newRow("unknown argument")
        << QStringList{u"-x"_qs} << u"offscreen"_qs << 2 << u"不明な引数です: -x"_qs;
    QTest::newRow("--ime= without value")
        << QStringList{u"--ime="_qs} << u"offscreen"_qs << 2 << u"--ime には"_qs;
}

void QuickAddProgramTest::commandLine() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, platform);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& name : {u"DISPLAY"_qs, u"WAYLAND_DISPLAY"_qs, u"QT_QPA_PLATFORM"_qs})
        environment.remove(name);
    if (!platform.isEmpty()) environment.insert(u"QT_QPA_PLATFORM"_qs, platform);
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(WK_QUICKADD_PROGRAM), arguments);
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitCode(), exitCode);
    const QString text =
        QString::fromUtf8(program.readAllStandardOutput() + program.readAllStandardError());
    QVERIFY2(text.contains(output), qPrintable(text));
}

void QuickAddProgramTest::storeThatCannotBeOpened() {
    std::vector<MessageRequest> messages;
    SetMessageHook([&messages](const MessageRequest& request) {
        messages.push_back(request);
        return true;
    });
    ProgramArguments arguments;
    arguments.imeOption = "embedded:/dev/null/words.sqlite";
    QCOMPARE(RunQuickAddSession(arguments), 1);
    SetMessageHook({});
    QCOMPARE(messages.size(), std::size_t{1});
    QCOMPARE(messages[0].caption, u"WordkeeperAdd"_qs);
    QVERIFY(messages[0].text.startsWith(u"辞書を開けません"_qs));
}

void QuickAddProgramTest::frameLayout() {
    CMainFrame frame(QuickAddFrameSpec());
    QStringList menus;
    for (QAction* menu : frame.menuBar()->actions()) {
        menus << menu->text();
        for (QAction* item : menu->menu()->actions())
            menus << (item->isSeparator() ? u"-"_qs : item->text());
    }
    QCOMPARE(menus, (QStringList{u"ﾌｧｲﾙ"_qs, u"WordkeeperAddについて..."_qs, u"-"_qs, u"終了"_qs,
                                 u"編集"_qs, u"切り取り"_qs, u"ｺﾋﾟｰ"_qs, u"貼り付け"_qs}));
    QStringList buttons;
    for (QAction* button : frame.commandBar()->actions())
        buttons << (button->isSeparator() ? u"-"_qs : button->shortcut().toString());
    QCOMPARE(buttons, (QStringList{u"-"_qs, u"Ctrl+X"_qs, u"Ctrl+C"_qs, u"Ctrl+V"_qs, u"-"_qs}));
    QCOMPARE(frame.spec().program.aboutTitle, u"WordkeeperAdd のﾊﾞｰｼﾞｮﾝ情報"_qs);
    QCOMPARE(frame.spec().program.aboutLines.value(0), u"WordkeeperAdd Version 0.5"_qs);
}

void QuickAddProgramTest::installedEntries() {
    // Quotes, a dollar and a space in the prefix must survive the Exec line.
    QTemporaryDir dir;
    const QString prefix = dir.filePath(u"it's \"a\" $prefix"_qs);
    QProcess install;
    install.start(QStringLiteral(WK_CMAKE),
                  {u"--install"_qs, QStringLiteral(WK_BUILD_DIR), u"--prefix"_qs, prefix});
    QVERIFY(install.waitForFinished(60000));
    QVERIFY2(install.exitCode() == 0, install.readAllStandardError().constData());
    const QString bin = prefix + u"/bin/"_qs;
    QCOMPARE(FindManager(bin).kind, ManagerCandidate::Kind::Executable);
    for (const QString& program : {u"Wordkeeper"_qs, u"WordkeeperAdd"_qs}) {
        const QString entry = prefix + u"/share/applications/org.quillwren."_qs + program;
        QCOMPARE(ReadDesktopEntryCommand(entry + u".desktop"_qs), QStringList{bin + program});
        QVERIFY(QFileInfo(bin + program).isExecutable());
        QVERIFY(QFile::exists(prefix + u"/share/icons/hicolor/32x32/apps/org.quillwren."_qs +
                              program + u".png"_qs));
    }
}

int main(int argc, char** argv) {
    PrepareGuiTestEnvironment();
    CWordkeeperApp app(argc, argv, QuickAddProgramInfo());
    QuickAddProgramTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "quick_add_program_test.moc"
