// SPDX-License-Identifier: MIT
// The programs as a whole: both programs' command line and start without a display, the
// manager on an input method nobody knows and in a session on an embedded store.
#include <QDeadlineTimer>
#include <QProcess>

#include "ime/backend.h"
#include "manager/single_instance.h"
#include "manager_test_support.h"

using namespace wk;
using namespace wk::testing;

class ManagerProgramTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QuietPlatformNotes(); }
    void commandLine_data();
    void commandLine();
    void unknownInputMethod();
    void sessionOnAnEmbeddedStore();
};

void ManagerProgramTest::commandLine_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("environment");  // beside no display and no platform at all
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output");  // expected in stdout and stderr together
    const QString manager = QStringLiteral(WK_MANAGER_PROGRAM), none;
    const QString offscreen = u"QT_QPA_PLATFORM=offscreen"_qs,
                  unreachable = u"画面に接続できない"_qs;
    const QStringList noArgs;
    QTest::newRow("no display") << manager << noArgs << none << 1 << u"xvfb-run Wordkeeper"_qs;
    // A display named in any of these ways is tried.
    QTest::newRow("X11") << manager << noArgs << u"DISPLAY=:99"_qs << 1 << unreachable;
    QTest::newRow("Wayland") << manager << noArgs << u"WAYLAND_DISPLAY=wk-none"_qs << 1
                             << unreachable;
    QTest::newRow("platform named")
        << manager << noArgs << u"QT_QPA_PLATFORM=xcb"_qs << 1 << unreachable;
    QTest::newRow("-platform, unknown argument")
        << manager << QStringList{u"-platform"_qs, u"offscreen"_qs, u"words.txt"_qs} << none << 2
        << u"不明な引数です: words.txt"_qs;
    QTest::newRow("help needs no display") << manager << QStringList{u"--help"_qs} << none << 0
                                           << u"使い方: Wordkeeper [--ime 入力方式]"_qs;
    QTest::newRow("version") << manager << QStringList{u"--version"_qs} << none << 0
                             << u"Wordkeeper 0.5.0"_qs;
    // Qt's one-dash options are whole names (-platformtheme is no -h); --ime lacks its value.
    QTest::newRow("Qt's own option, --ime without value")
        << manager << QStringList{u"-platformtheme"_qs, u"x"_qs, u"--ime"_qs} << offscreen << 2
        << u"--ime には"_qs;
    QTest::newRow("quick-add, unknown argument")
        << QStringLiteral(WK_QUICKADD_PROGRAM) << QStringList{u"-x"_qs} << offscreen << 2
        << u"WordkeeperAdd: 不明な引数です: -x"_qs;
}

void ManagerProgramTest::commandLine() {
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(QString, environment);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    QProcessEnvironment given = QProcessEnvironment::systemEnvironment();
    for (const QString& name : {u"DISPLAY"_qs, u"WAYLAND_DISPLAY"_qs, u"QT_QPA_PLATFORM"_qs})
        given.remove(name);
    if (!environment.isEmpty())
        given.insert(environment.section(u'=', 0, 0), environment.section(u'=', 1));
    QProcess process;
    process.setProcessEnvironment(given);
    process.start(program, arguments);
    QVERIFY(process.waitForFinished(20000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), exitCode);
    const QString text =
        QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
    QVERIFY2(text.contains(output), qPrintable(text));
}

// The input method named in the environment is tried; an unknown name is refused by name.
void ManagerProgramTest::unknownInputMethod() {
    qputenv("WORDKEEPER_IME", "other-ime");
    MessageLog messages;
    QCOMPARE(RunManagerSession(ManagerArguments()), 1);
    qunsetenv("WORDKEEPER_IME");
    QCOMPARE(messages.requests.size(), std::size_t{1});
    QCOMPARE(messages.requests[0].kind, MessageKind::Application);
    QVERIFY(messages.requests[0].text.contains(u"other-ime"_qs));
}

void ManagerProgramTest::sessionOnAnEmbeddedStore() {
    QTemporaryDir folder;
    const QString storeName = u"embedded:"_qs + folder.filePath(u"words.sqlite"_qs);
    {
        auto opened = ime::OpenInputMethod(storeName.toStdString());
        QVERIFY(opened.ime && opened.ime->RegisterWord(u"ふじ", 8, u"富士") &&
                opened.ime->RegisterWord(u"あさま", 8, u"浅間"));
    }
    // Once the window is up, a second start on the same store brings it to the front and ends.
    QStringList seen;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* frame = qobject_cast<CMainFrame*>(widget);
            if (frame == nullptr || !frame->isVisible()) continue;
            poll.stop();
            auto* view = frame->findChild<CWordkeeperView*>();
            seen << frame->windowTitle() << view->model()->index(0, 1).data().toString()
                 << view->model()->index(0, 2).data().toString()
                 << frame->findChild<QLabel*>(u"statusText"_qs)->text();
            // A manager on another dictionary is a window of its own.
            seen << (SingleInstance(storeName + u"-other"_qs).Claim() ? u"own"_qs
                                                                      : u"handed over"_qs);
            // A stored width as narrow as the rule allows is used.
            seen << QString::number(view->horizontalHeader()->sectionSize(1));
            view->horizontalHeader()->resizeSection(0, 90);
            frame->showMinimized();
            QProcess second;
            second.start(QStringLiteral(WK_MANAGER_PROGRAM), {u"--ime"_qs, storeName});
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
    StoreSetting(u"ColumnWidth1"_qs, 10);
    ManagerArguments arguments;
    arguments.imeOption = storeName.toStdString();
    QCOMPARE(RunManagerSession(arguments), 0);
    const QString status = u"2 個の単語    入力方式: Wordkeeper    辞書: "_qs + storeName.mid(9);
    QCOMPARE(seen, (QStringList{u"Wordkeeper"_qs, u"浅間"_qs, u"地名"_qs, status, u"own"_qs,
                                u"10"_qs, u"0"_qs, u"in front"_qs}));
    QCOMPARE(StoredSetting(u"ColumnWidth0"_qs).toInt(), 90);
}

WK_GUI_TEST_MAIN(ManagerProgramTest, ManagerProgramInfo())
#include "manager_program_test.moc"
