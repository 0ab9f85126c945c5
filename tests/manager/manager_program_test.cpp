// The programs as a whole: both programs' command line and start without a display, the
// manager on a store that cannot be opened and in a session on an embedded store.
#include <QDeadlineTimer>
#include <QHeaderView>
#include <QProcess>

#include "ime/backend.h"
#include "manager_test_support.h"

using namespace wk;
using namespace wk::testing;

class ManagerProgramTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QuietPlatformNotes(); }
    void commandLine_data();
    void commandLine();
    void storeThatCannotBeOpened_data();
    void storeThatCannotBeOpened();
    void sessionOnAnEmbeddedStore();
};

void ManagerProgramTest::commandLine_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("platform");  // QT_QPA_PLATFORM; DISPLAY is never set
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output");  // expected in stdout and stderr together
    const QString manager = QStringLiteral(WK_MANAGER_PROGRAM);
    const QString quickAdd = QStringLiteral(WK_QUICKADD_PROGRAM);
    QTest::newRow("no display") << manager << QStringList{} << QString() << 1
                                << u"xvfb-run Wordkeeper"_qs;
    QTest::newRow("platform cannot start")
        << manager << QStringList{} << u"xcb"_qs << 1 << u"画面に接続できない"_qs;
    QTest::newRow("help needs no display") << manager << QStringList{u"--help"_qs} << QString() << 0
                                           << u"使い方: Wordkeeper [--ime 入力方式]"_qs;
    QTest::newRow("version") << manager << QStringList{u"--version"_qs} << QString() << 0
                             << u"Wordkeeper 0.5.0"_qs;
    QTest::newRow("unknown argument") << manager << QStringList{u"words.txt"_qs} << u"offscreen"_qs
                                      << 2 << u"不明な引数です: words.txt"_qs;
    QTest::newRow("--ime without value")
        << manager << QStringList{u"--ime"_qs} << u"offscreen"_qs << 2 << u"--ime には"_qs;
    // Qt's one-dash options are whole names: the h of -platformtheme asks for no help.
    QTest::newRow("Qt's own option")
        << manager << QStringList{u"-platformtheme"_qs, u"x"_qs, u"--ime"_qs} << u"offscreen"_qs
        << 2 << u"--ime には"_qs;
    QTest::newRow("quick-add, no display")
        << quickAdd << QStringList{} << QString() << 1 << u"xvfb-run WordkeeperAdd"_qs;
    QTest::newRow("quick-add, unknown argument")
        << quickAdd << QStringList{u"-x"_qs} << u"offscreen"_qs << 2
        << u"WordkeeperAdd: 不明な引数です: -x"_qs;
}

void ManagerProgramTest::commandLine() {
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(QString, platform);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& name : {u"DISPLAY"_qs, u"WAYLAND_DISPLAY"_qs, u"QT_QPA_PLATFORM"_qs})
        environment.remove(name);
    if (!platform.isEmpty()) environment.insert(u"QT_QPA_PLATFORM"_qs, platform);
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    QVERIFY(process.waitForFinished(20000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), exitCode);
    const QString text =
        QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
    QVERIFY2(text.contains(output), qPrintable(text));
}

void ManagerProgramTest::storeThatCannotBeOpened_data() {
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("variable");  // WORDKEEPER_IME
    QTest::addColumn<QString>("messageHas");
    QTest::newRow("unknown input method") << u"bogus"_qs << QString() << u"bogus"_qs;
    QTest::newRow("from the environment") << QString() << u"other-ime"_qs << u"other-ime"_qs;
    QTest::newRow("no folder for it")
        << u"embedded:/dev/null/words.sqlite"_qs << QString() << u"/dev/null"_qs;
}

void ManagerProgramTest::storeThatCannotBeOpened() {
    QFETCH(QString, option);
    QFETCH(QString, variable);
    QFETCH(QString, messageHas);
    qputenv("WORDKEEPER_IME", variable.toUtf8());
    MessageLog messages;
    ManagerArguments arguments;
    arguments.imeOption = option.toStdString();
    QCOMPARE(RunManagerSession(arguments), 1);
    qunsetenv("WORDKEEPER_IME");
    QCOMPARE(messages.requests.size(), std::size_t{1});
    QCOMPARE(messages.requests[0].kind, MessageKind::Application);
    QCOMPARE(messages.requests[0].caption, u"Wordkeeper"_qs);
    QVERIFY(messages.requests[0].text.startsWith(u"辞書を開けません"_qs));
    QVERIFY(messages.requests[0].text.contains(messageHas));
}

void ManagerProgramTest::sessionOnAnEmbeddedStore() {
    QTemporaryDir folder;
    const std::string storeName = "embedded:" + folder.filePath(u"words.sqlite"_qs).toStdString();
    {
        auto opened = ime::OpenInputMethod(storeName);
        QVERIFY(opened.ime && opened.ime->RegisterWord(u"ふじ", 8, u"富士") &&
                opened.ime->RegisterWord(u"あさま", 8, u"浅間"));
    }
    // Looks at the window once it is up, starts the program a second time on the same store
    // (which brings this window to the front and ends), then closes it as the user would.
    QStringList seen;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* frame = qobject_cast<CMainFrame*>(widget);
            if (frame == nullptr || !frame->isVisible()) continue;
            poll.stop();
            auto* view = frame->findChild<CWordkeeperView*>();
            seen << frame->windowTitle() << view->model()->index(0, 1).data().toString()
                 << view->model()->index(0, 2).data().toString();
            view->horizontalHeader()->resizeSection(0, 90);
            frame->showMinimized();
            QProcess second;
            second.start(QStringLiteral(WK_MANAGER_PROGRAM),
                         {u"--ime"_qs, QString::fromStdString(storeName)});
            seen << QString::number(second.waitForFinished(20000) ? second.exitCode() : -1);
            QDeadlineTimer deadline(20000);
            while (frame->isMinimized() && !deadline.hasExpired())
                QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            seen << (frame->isMinimized() ? u"minimised"_qs : u"in front"_qs);
            frame->close();
        }
    });
    poll.start(10);
    QTimer::singleShot(20000, qApp, [] { QApplication::exit(99); });
    ManagerArguments arguments;
    arguments.imeOption = storeName;
    QCOMPARE(RunManagerSession(arguments), 0);
    QCOMPARE(seen,
             (QStringList{u"Wordkeeper"_qs, u"浅間"_qs, u"地名"_qs, u"0"_qs, u"in front"_qs}));
    QCOMPARE(StoredSetting(u"ColumnWidth0"_qs).toInt(), 90);
}

WK_MANAGER_TEST_MAIN(ManagerProgramTest)
#include "manager_program_test.moc"
