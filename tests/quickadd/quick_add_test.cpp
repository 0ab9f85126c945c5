// SPDX-License-Identifier: MIT
// The quick-add program: its form, the start of the manager from stand-ins, and installing.
// Its command line is tried beside the manager's, in manager_program_test.
#include <QClipboard>
#include <QComboBox>
#include <QProcess>

#include <optional>

#include "fake_ime.h"
#include "gui_test_support.h"
#include "quickadd/commands.h"
#include "quickadd/quick_add_window.h"
#include "skeleton/message_box.h"
#include "skeleton/qt_settings_store.h"
#include "temp_folder.h"

using namespace wk;
using namespace wk::testing;

namespace {

struct Form {
    explicit Form(bool withStyles = true, const QString& folder = u"/nowhere"_qs,
                  const QString& path = {}) {
        // Accepts a word whose style is one of its own; logs every call.
        ime.styles = {{7, u"名詞"}, {3, u"人名"}, {12, u"地名"}};
        if (!withStyles) ime.styles.clear();
        ime.strict = true;
        ime.beforeRegister = [this](const FakeIme::Word& w) {
            calls << ToQString(w.reading) + u'/' + QString::number(w.style) + u'/' +
                         ToQString(w.word);
        };
        environment.insert(u"PATH"_qs, path);
        window.emplace(ime, settings, ManagerLauncher(folder, environment));
        SetMessageHook([this](const MessageRequest& request) {
            messages << request.caption + u':' + request.text;
            return true;
        });
        window->Start();
        window->frame().activateWindow();
        active = QTest::qWaitForWindowActive(&window->frame());
    }
    ~Form() { SetMessageHook({}); }
    QWidget* view() { return &window->view(); }
    QLineEdit* reading() { return Child(view(), "readingEdit"); }
    QLineEdit* word() { return Child(view(), "wordEdit"); }
    QComboBox* pos() { return Child<QComboBox>(view(), "posCombo"); }
    QPushButton* registerButton() { return Child<QPushButton>(view(), "registerButton"); }

    FakeIme ime;
    QStringList calls;                // "reading/style/word"
    QProcessEnvironment environment;  // the manager's
    QtSettingsStore settings;
    std::optional<QuickAddWindow> window;
    QStringList messages;
    bool active = false;
};

}  // namespace

class QuickAddTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QuietPlatformNotes(); }
    void cleanup() { CloseAllModals(); }
    void registration_data();
    void registration();
    void clipboardCommands_data();
    void clipboardCommands();
    void startManager_data();
    void startManager();
    void installedEntries();
};

void QuickAddTest::registration_data() {
    QTest::addColumn<QString>("reading");
    QTest::addColumn<QString>("word");
    QTest::addColumn<bool>("withStyles");
    QTest::addColumn<QString>("message");  // caption:text; empty for none
    QTest::addColumn<QString>("call");     // the input method's call; empty for none
    const QString sixty(60, u'あ'), spaced = u' ' + QString(59, u'あ');
    QTest::newRow("reading empty")
        << QString() << u"山"_qs << true << u"確認:読みが入力されていません"_qs << QString();
    QTest::newRow("word of 61") << u"やま"_qs << sixty + u"あ"_qs << true
                                << u"確認:60文字以上は入力できません"_qs << QString();
    QTest::newRow("60 and 60, as typed")
        << sixty << spaced << true << QString() << sixty + u"/12/"_qs + spaced;
    // Refused by the input method, here for want of a part of speech.
    QTest::newRow("no styles") << u"やま"_qs << u"山"_qs << false << u"確認:単語登録できません"_qs
                               << u"やま/4294967295/山"_qs;
}

void QuickAddTest::registration() {
    QFETCH(QString, reading);
    QFETCH(QString, word);
    QFETCH(bool, withStyles);
    QFETCH(QString, message);
    QFETCH(QString, call);
    StoreSetting(u"TermChange"_qs, 0);
    Form form(withStyles);
    // As the form comes up: the first part of speech, 登録 off, the reading focused.
    QVERIFY(form.active);
    QCOMPARE(form.pos()->currentIndex(), withStyles ? 0 : -1);
    QVERIFY(!form.registerButton()->isEnabled() && form.reading()->hasFocus());
    form.pos()->setCurrentIndex(withStyles ? 2 : -1);
    form.reading()->setText(u"typed, then erased"_qs);
    form.reading()->setText(reading);
    form.word()->setText(word);
    QTest::mouseClick(form.registerButton(), Qt::LeftButton);

    const bool registered = message.isEmpty();
    QCOMPARE(form.messages, registered ? QStringList() : QStringList{message});
    QCOMPARE(form.calls, call.isEmpty() ? QStringList() : QStringList{call});
    QCOMPARE(form.reading()->text() + form.word()->text(), registered ? QString() : reading + word);
    QCOMPARE(form.pos()->currentText(), withStyles ? u"地名"_qs : QString());
    QCOMPARE(form.registerButton()->isEnabled(), !registered);
    QCOMPARE(StoredSetting(u"TermChange"_qs).toInt(), registered ? 1 : 0);
    if (!registered) return;
    // Enter registers the next word, which is then typed from its reading on.
    form.reading()->setText(u"kawa"_qs);
    form.word()->setText(u"river"_qs);
    form.word()->setFocus();
    QTest::keyClick(form.word(), Qt::Key_Return);
    QCOMPARE(form.calls.size(), 2);
    QVERIFY(form.reading()->hasFocus());
}

// The edit commands act on the focused field and on nothing else (the rest is Qt's part).
void QuickAddTest::clipboardCommands_data() {
    QTest::addColumn<QString>("focus");  // object name of the widget with the focus
    QTest::addColumn<int>("command");
    QTest::addColumn<QStringList>("after");  // reading, word, clipboard
    const QString clip = u"クリップ"_qs, reading = u"よみ"_qs, word = u"たんご"_qs;
    QTest::newRow("cut reading") << u"readingEdit"_qs << cmd::kEditCut
                                 << QStringList{{}, word, reading};
    QTest::newRow("copy word") << u"wordEdit"_qs << cmd::kEditCopy
                               << QStringList{reading, word, word};
    QTest::newRow("paste reading")
        << u"readingEdit"_qs << cmd::kEditPaste << QStringList{clip, word, clip};
    QTest::newRow("on start") << u"startManagerButton"_qs << cmd::kEditPaste
                              << QStringList{reading, word, clip};
}

void QuickAddTest::clipboardCommands() {
    QFETCH(QString, focus);
    QFETCH(int, command);
    QFETCH(QStringList, after);
    Form form;
    QVERIFY(form.active);
    QGuiApplication::clipboard()->setText(u"クリップ"_qs);
    form.reading()->setText(u"よみ"_qs);
    form.word()->setText(u"たんご"_qs);
    QWidget* focused = Child<QWidget>(form.view(), qPrintable(focus));
    focused->setFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(focused)) edit->selectAll();
    form.window->frame().action(command)->trigger();
    QCOMPARE((QStringList{form.reading()->text(), form.word()->text(),
                          QGuiApplication::clipboard()->text()}),
             after);
}

void QuickAddTest::startManager_data() {
    QTest::addColumn<QString>("executable");  // what bears the name Wordkeeper
    QTest::addColumn<QString>("entry");       // lines of the desktop entry; none when empty
    QTest::addColumn<QString>("path");        // PATH of the manager's environment
    QTest::addColumn<QString>("started");     // what the stand-in noted; empty for no start
    const QString entry = u"[Desktop Entry]\nExec=\"%DIR%/bin/wk target\" \"a b\" %U\n"_qs;
    const QString file = u"file"_qs, none;
    QTest::newRow("both") << file << entry << QString() << u"exe"_qs;
    QTest::newRow("neither") << none << QString() << QString() << QString();
    QTest::newRow("a folder named so") << u"folder"_qs << entry << QString() << QString();
    QTest::newRow("escapes, %%, groups") << none << uR"([Other]
Exec=no
[Desktop Entry]
# comment
Exec = "%DIR%/bin/wk target" "say \"hi\"" "a\\\\b" 100%% "x\sy" "" %k)"_qs
                                         << QString() << uR"(entry|say "hi"|a\b|100%|x y|)"_qs;
    QTest::newRow("name from PATH")
        << none << u"[Desktop Entry]\nExec=wk-target %f"_qs << u"%DIR%/bin"_qs << u"entry"_qs;
    QTest::newRow("relative program")
        << none << u"[Desktop Entry]\nExec=bin/wk-target"_qs << QString() << QString();
    QTest::newRow("relative folders in PATH")
        << none << u"[Desktop Entry]\nExec=wk-target"_qs << u"bin:.:"_qs << QString();
}

void QuickAddTest::startManager() {
    QFETCH(QString, executable);
    QFETCH(QString, entry);
    QFETCH(QString, path);
    QFETCH(QString, started);
    QTemporaryDir dir;
    const auto write = [&dir](const QString& name, const QString& text) {
        const QString path = dir.filePath(name);
        WriteFile(path.toStdString(), QString(text).replace(u"%DIR%"_qs, dir.path()).toStdString());
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    };
    const auto standIn = [](const QString& label) {
        return u"#!/bin/sh\nprintf %s "_qs + label +
               u" > %DIR%/started\nfor a; do printf '|%s' \"$a\" >> %DIR%/started; done\n"_qs;
    };
    write(u"bin/wk target"_qs, standIn(u"entry"_qs));
    write(u"bin/wk-target"_qs, standIn(u"entry"_qs));
    if (executable == u"file") write(u"Wordkeeper"_qs, standIn(u"exe"_qs));
    if (executable == u"folder") QVERIFY(QDir(dir.path()).mkdir(u"Wordkeeper"_qs));
    if (!entry.isEmpty()) write(u"Wordkeeper.desktop"_qs, entry);
    // Started from a folder with a Wordkeeper, an entry and programs: nothing resolves there.
    write(u"elsewhere/Wordkeeper"_qs, standIn(u"planted"_qs));
    write(u"elsewhere/bin/wk-target"_qs, standIn(u"planted"_qs));
    write(u"elsewhere/Wordkeeper.desktop"_qs,
          u"[Desktop Entry]\nExec=%DIR%/elsewhere/Wordkeeper\n"_qs);
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.filePath(u"elsewhere"_qs));
    Form form(true, dir.path(), QString(path).replace(u"%DIR%"_qs, dir.path()));
    QTest::mouseClick(Child<QPushButton>(form.view(), "startManagerButton"), Qt::LeftButton);
    if (started.isEmpty()) {
        // Nothing may start: the launcher says so at once, so there is nothing to wait for.
        QVERIFY(ManagerLauncher(dir.path(), form.environment).Launch() !=
                ManagerLauncher::Result::Started);
    }
    QDir::setCurrent(previous);

    const std::string note = dir.filePath(u"started"_qs).toStdString();
    if (!started.isEmpty())
        QTRY_COMPARE_WITH_TIMEOUT(QString::fromStdString(ReadFile(note)), started, 10000);
    const bool neither = executable.isEmpty() && entry.isEmpty();
    QCOMPARE(form.messages,
             neither ? QStringList{u"WordkeeperAdd:Wordkeeperが見つかりません"_qs} : QStringList());
}

void QuickAddTest::installedEntries() {
    // Quotes, a dollar and a space in the prefix must survive the Exec line.
    QTemporaryDir dir;
    const QString prefix = dir.filePath(u"it's \"a\" $prefix"_qs), bin = prefix + u"/bin/"_qs;
    QProcess install;
    install.start(QStringLiteral(WK_CMAKE),
                  {u"--install"_qs, QStringLiteral(WK_BUILD_DIR), u"--prefix"_qs, prefix});
    QVERIFY(install.waitForFinished(60000));
    QVERIFY2(install.exitCode() == 0, install.readAllStandardError().constData());
    for (const QString& program : {u"Wordkeeper"_qs, u"WordkeeperAdd"_qs}) {
        const QString name = u"org.quillwren."_qs + program;
        QCOMPARE(
            ReadDesktopEntryCommand(prefix + u"/share/applications/"_qs + name + u".desktop"_qs),
            QStringList{bin + program});
        QVERIFY(QFileInfo(bin + program).isExecutable());
        QVERIFY(QFile::exists(prefix + u"/share/icons/hicolor/32x32/apps/"_qs + name + u".png"_qs));
    }
}

WK_GUI_TEST_MAIN(QuickAddTest, QuickAddProgramInfo())

#include "quick_add_test.moc"
