// The Wordkeeper program as a whole: its arguments, no display, a store that cannot be
// opened, and a normal session on an embedded store.
#include <QHeaderView>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "ime/backend.h"
#include "manager_test_support.h"

using namespace wk;
using namespace wk::testing;

class ManagerProgramTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QuietPlatformNotes(); }
    void parsesArguments_data();
    void parsesArguments();
    void runsFromTheCommandLine_data();
    void runsFromTheCommandLine();
    void storeThatCannotBeOpened_data();
    void storeThatCannotBeOpened();
    void sessionOnAnEmbeddedStore();
};

void ManagerProgramTest::parsesArguments_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("ime");
    QTest::addColumn<bool>("help");
    QTest::addColumn<bool>("error");
    QTest::newRow("none") << QStringList{} << QString() << false << false;
    QTest::newRow("--ime value") << QStringList{u"--ime"_qs, u"embedded:/tmp/a"_qs}
                                 << u"embedded:/tmp/a"_qs << false << false;
    QTest::newRow("--ime=value") << QStringList{u"--ime=embedded"_qs} << u"embedded"_qs << false
                                 << false;
    QTest::newRow("--ime without value") << QStringList{u"--ime"_qs} << QString() << false << true;
    QTest::newRow("--ime= empty") << QStringList{u"--ime="_qs} << QString() << false << true;
    QTest::newRow("help") << QStringList{u"-h"_qs} << QString() << true << false;
    QTest::newRow("unknown") << QStringList{u"--verbose"_qs} << QString() << false << true;
    QTest::newRow("a file name") << QStringList{u"words.txt"_qs} << QString() << false << true;
}

void ManagerProgramTest::parsesArguments() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, ime);
    QFETCH(bool, help);
    QFETCH(bool, error);
    const ManagerArguments parsed = ParseManagerArguments(arguments);
    QCOMPARE(QString::fromStdString(parsed.imeOption), ime);
    QCOMPARE(parsed.help, help);
    QCOMPARE(!parsed.error.empty(), error);
}

void ManagerProgramTest::runsFromTheCommandLine_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("platform");  // QT_QPA_PLATFORM; DISPLAY is never set
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("stdoutHas");
    QTest::addColumn<QString>("stderrHas");
    QTest::newRow("no display") << QStringList{} << QString() << 1 << QString()
                                << u"xvfb-run Wordkeeper"_qs;
    QTest::newRow("help without display")
        << QStringList{u"--help"_qs} << QString() << 0 << u"使い方: Wordkeeper"_qs << QString();
    QTest::newRow("version") << QStringList{u"--version"_qs} << QString() << 0
                             << u"Wordkeeper 0.5.0"_qs << QString();
    QTest::newRow("unknown argument")
        << QStringList{u"--bogus"_qs} << u"offscreen"_qs << 2 << QString() << u"--bogus"_qs;
    QTest::newRow("platform that cannot start")
        << QStringList{} << u"xcb"_qs << 1 << QString() << u"画面に接続できない"_qs;
}

void ManagerProgramTest::runsFromTheCommandLine() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, platform);
    QFETCH(int, exitCode);
    QFETCH(QString, stdoutHas);
    QFETCH(QString, stderrHas);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    if (!platform.isEmpty()) environment.insert(u"QT_QPA_PLATFORM"_qs, platform);
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(WK_MANAGER_PROGRAM), arguments);
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), exitCode);
    const QString out = QString::fromUtf8(program.readAllStandardOutput());
    const QString err = QString::fromUtf8(program.readAllStandardError());
    QVERIFY2(out.contains(stdoutHas), qPrintable(out));
    QVERIFY2(err.contains(stderrHas), qPrintable(err));
}

void ManagerProgramTest::storeThatCannotBeOpened_data() {
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("environment");  // WORDKEEPER_IME
    QTest::addColumn<QString>("messageHas");
    QTest::newRow("unknown input method") << u"bogus"_qs << QString() << u"bogus"_qs;
    QTest::newRow("from the environment") << QString() << u"other-ime"_qs << u"other-ime"_qs;
    QTest::newRow("folder cannot be made")
        << u"embedded:/dev/null/words.sqlite"_qs << QString() << u"/dev/null"_qs;
}

void ManagerProgramTest::storeThatCannotBeOpened() {
    QFETCH(QString, option);
    QFETCH(QString, environment);
    QFETCH(QString, messageHas);
    if (environment.isEmpty()) {
        qunsetenv("WORDKEEPER_IME");
    } else {
        qputenv("WORDKEEPER_IME", environment.toUtf8());
    }
    MessageLog messages;
    ManagerArguments arguments;
    arguments.imeOption = option.toStdString();
    QCOMPARE(RunManagerSession(arguments), 1);
    qunsetenv("WORDKEEPER_IME");
    QCOMPARE(messages.requests.size(), std::size_t{1});
    const MessageRequest& shown = messages.requests.front();
    QCOMPARE(shown.kind, MessageKind::Application);
    QCOMPARE(shown.caption, u"Wordkeeper"_qs);
    QVERIFY2(shown.text.startsWith(u"辞書を開けません"_qs), qPrintable(shown.text));
    QVERIFY2(shown.text.contains(messageHas), qPrintable(shown.text));
}

void ManagerProgramTest::sessionOnAnEmbeddedStore() {
    ClearSettings();
    QTemporaryDir folder;
    const QString path = folder.path() + u"/words.sqlite"_qs;
    {
        auto opened = ime::OpenInputMethod(("embedded:" + path).toStdString());
        QVERIFY(opened.ime);
        QVERIFY(opened.ime->RegisterWord(u"ふじ", 8, u"富士"));
        QVERIFY(opened.ime->RegisterWord(u"あさま", 8, u"浅間"));
    }
    QStringList seen;
    QTimer poll;
    poll.setInterval(10);
    connect(&poll, &QTimer::timeout, this, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* frame = qobject_cast<CMainFrame*>(widget);
            if (frame == nullptr || !frame->isVisible()) continue;
            poll.stop();
            auto* view = frame->findChild<CWordkeeperView*>();
            seen << frame->windowTitle();
            for (int row = 0; row < view->model()->rowCount(); ++row)
                seen << view->model()->index(row, 1).data().toString();
            view->horizontalHeader()->resizeSection(2, 90);
            frame->close();
        }
    });
    poll.start();
    QTimer::singleShot(20000, qApp, [] { QApplication::exit(99); });
    ManagerArguments arguments;
    arguments.imeOption = ("embedded:" + path).toStdString();
    QCOMPARE(RunManagerSession(arguments), 0);
    QCOMPARE(seen, (QStringList{u"Wordkeeper"_qs, u"浅間"_qs, u"富士"_qs}));
    QCOMPARE(StoredSetting(u"ColumnWidth2"_qs).toInt(), 90);
}

WK_MANAGER_TEST_MAIN(ManagerProgramTest)
#include "manager_program_test.moc"
