// The quick-add form: first update, the checks and the registration, the quick-add note,
// cut/copy/paste routing, and the start of the manager from a folder of stand-ins.
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QToolBar>

#include <algorithm>

#include "gui_test_support.h"
#include "quickadd/commands.h"
#include "quickadd/quick_add_window.h"
#include "skeleton/message_box.h"
#include "skeleton/qt_settings_store.h"

using namespace wk;
using namespace wk::testing;

namespace {

// Accepts a word whose style is one of its own unless told to refuse; logs every call.
class RecordingIme final : public InputMethod {
  public:
    std::vector<PosStyle> GetRegisterWordStyles() override {
        ++styleFetches;
        return styles;
    }
    bool EnumRegisterWord(const EnumWordCallback&) override { return true; }
    bool RegisterWord(const std::u16string& reading, std::uint32_t style,
                      const std::u16string& word) override {
        calls << ToQString(reading) + u'/' + QString::number(style) + u'/' + ToQString(word);
        return !refuse && std::any_of(styles.begin(), styles.end(),
                                      [style](const PosStyle& row) { return row.style == style; });
    }
    bool UnregisterWord(const std::u16string&, std::uint32_t, const std::u16string&) override {
        return false;
    }
    std::vector<PosStyle> styles{{7, u"名詞"}, {3, u"人名"}, {12, u"地名"}};
    bool refuse = false;
    int styleFetches = 0;
    QStringList calls;
};

QVariant Note() {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, u"Quillwren"_qs,
                       u"Wordkeeper"_qs);
    return settings.value(u"WordkeeperSetting/TermChange"_qs);
}
void SetNote(int value) {
    QSettings(QSettings::NativeFormat, QSettings::UserScope, u"Quillwren"_qs, u"Wordkeeper"_qs)
        .setValue(u"WordkeeperSetting/TermChange"_qs, value);
}

struct Form {
    explicit Form(bool withStyles = true, const QString& folder = u"/nonexistent"_qs,
                  const QString& path = {}) {
        if (!withStyles) ime.styles.clear();
        QProcessEnvironment environment;
        environment.insert(u"PATH"_qs, path);
        window =
            std::make_unique<QuickAddWindow>(ime, settings, ManagerLauncher(folder, environment));
        SetMessageHook([this](const MessageRequest& request) {
            messages << request.caption + u':' + request.text;
            return true;
        });
        window->Start();
        window->frame().activateWindow();
        active = QTest::qWaitForWindowActive(&window->frame());
    }
    ~Form() { SetMessageHook({}); }
    template <class T>
    T* Find(const char* name) {
        return window->view().findChild<T*>(QLatin1String(name));
    }
    QLineEdit* reading() { return Find<QLineEdit>("edit1001"); }
    QLineEdit* word() { return Find<QLineEdit>("edit1002"); }
    QComboBox* pos() { return Find<QComboBox>("combo1003"); }
    QPushButton* registerButton() { return Find<QPushButton>("button1000"); }

    RecordingIme ime;
    QtSettingsStore settings;
    std::unique_ptr<QuickAddWindow> window;
    QStringList messages;
    bool active = false;
};

}  // namespace

class QuickAddViewTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QuietPlatformNotes(); }
    void cleanup() { CloseAllModals(); }
    void firstUpdate();
    void registration_data();
    void registration();
    void clipboardCommands_data();
    void clipboardCommands();
    void startManager_data();
    void startManager();
    void desktopEntries_data();
    void desktopEntries();
};

void QuickAddViewTest::firstUpdate() {
    Form form;
    QVERIFY(form.active);
    QCOMPARE(form.pos()->count(), 3);
    QCOMPARE(form.pos()->itemText(2), u"地名"_qs);
    QCOMPARE(form.pos()->itemData(1).toUInt(), 3u);
    QCOMPARE(form.pos()->currentIndex(), 0);
    QVERIFY(!form.registerButton()->isEnabled());
    QVERIFY(form.reading()->hasFocus());
    // Fetched once, never again.
    form.ime.styles.pop_back();
    form.window->view().OnInitialUpdate();
    QCOMPARE(form.ime.styleFetches, 1);
    QCOMPARE(form.pos()->count(), 3);
    QTest::keyClick(form.reading(), Qt::Key_A);
    QVERIFY(form.registerButton()->isEnabled());

    Form empty(false);
    QCOMPARE(empty.pos()->count(), 0);
    QCOMPARE(empty.pos()->currentIndex(), -1);
}

void QuickAddViewTest::registration_data() {
    QTest::addColumn<QString>("reading");
    QTest::addColumn<QString>("word");
    QTest::addColumn<bool>("withStyles");
    QTest::addColumn<bool>("refuse");
    QTest::addColumn<QString>("message");  // with its caption; empty for none
    QTest::addColumn<QString>("call");     // the input method's call; empty for none
    const QString sixty(60, u'あ'), sixtyOne(61, u'あ');
    const QString noWord = u"確認:単語が入力されていません"_qs;
    const QString tooLong = u"確認:60文字以上は入力できません"_qs;
    const QString refused = u"確認:単語登録できません"_qs;
    QTest::newRow("both empty") << QString() << QString() << true << false << noWord << QString();
    QTest::newRow("reading empty") << QString() << u"山"_qs << true << false
                                   << u"確認:読みが入力されていません"_qs << QString();
    QTest::newRow("reading of 61") << sixtyOne << u"山"_qs << true << false << tooLong << QString();
    QTest::newRow("word of 61") << u"やま"_qs << sixtyOne << true << false << tooLong << QString();
    QTest::newRow("31 surrogate pairs")
        << u"やま"_qs << QString(31, u'x').replace(u"x"_qs, u"𠮷"_qs) << true << false << tooLong
        << QString();
    QTest::newRow("60 and 60") << sixty << sixty << true << false << QString()
                               << sixty + u"/12/"_qs + sixty;
    QTest::newRow("passed as typed")
        << u" やま "_qs << u"山 "_qs << true << false << QString() << u" やま /12/山 "_qs;
    QTest::newRow("refused") << u"やま"_qs << u"山"_qs << true << true << refused
                             << u"やま/12/山"_qs;
    QTest::newRow("no styles") << u"やま"_qs << u"山"_qs << false << false << refused
                               << u"やま/4294967295/山"_qs;
}

void QuickAddViewTest::registration() {
    QFETCH(QString, reading);
    QFETCH(QString, word);
    QFETCH(bool, withStyles);
    QFETCH(bool, refuse);
    QFETCH(QString, message);
    QFETCH(QString, call);
    SetNote(0);
    Form form(withStyles);
    form.ime.refuse = refuse;
    form.pos()->setCurrentIndex(withStyles ? 2 : -1);
    form.reading()->setText(u"typed, then erased"_qs);
    form.reading()->setText(reading);
    form.word()->setText(word);
    QTest::mouseClick(form.registerButton(), Qt::LeftButton);

    QCOMPARE(form.messages, message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(form.ime.calls, call.isEmpty() ? QStringList() : QStringList{call});
    const bool registered = message.isEmpty();
    QCOMPARE(form.reading()->text(), registered ? QString() : reading);
    QCOMPARE(form.word()->text(), registered ? QString() : word);
    QCOMPARE(form.pos()->currentIndex(), withStyles ? 2 : -1);
    QCOMPARE(form.registerButton()->isEnabled(), !registered);
    QCOMPARE(Note().toInt(), registered ? 1 : 0);
    if (!registered) return;

    // The manager clears the note; the next word, entered with Enter, sets it again.
    SetNote(0);
    QTest::keyClicks(form.reading(), u"kawa"_qs);
    QTest::keyClicks(form.word(), u"river"_qs);
    QVERIFY(form.registerButton()->isEnabled());
    QTest::keyClick(form.word(), Qt::Key_Return);
    QCOMPARE(form.ime.calls.size(), 2);
    QCOMPARE(Note().toInt(), 1);
}

void QuickAddViewTest::clipboardCommands_data() {
    QTest::addColumn<QString>("focus");  // object name of the widget with the focus
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("how");        // menu, tool (button) or key
    QTest::addColumn<QStringList>("after");  // reading, word, clipboard
    const QString clip = u"クリップ"_qs;
    const QStringList unchanged{u"よみ"_qs, u"たんご"_qs, clip};
    QTest::newRow("cut reading") << u"edit1001"_qs << cmd::kEditCut << u"tool"_qs
                                 << QStringList{{}, u"たんご"_qs, u"よみ"_qs};
    QTest::newRow("copy word") << u"edit1002"_qs << cmd::kEditCopy << u"menu"_qs
                               << QStringList{u"よみ"_qs, u"たんご"_qs, u"たんご"_qs};
    QTest::newRow("paste reading")
        << u"edit1001"_qs << cmd::kEditPaste << u"key"_qs << QStringList{clip, u"たんご"_qs, clip};
    QTest::newRow("paste word") << u"edit1002"_qs << cmd::kEditPaste << u"tool"_qs
                                << QStringList{u"よみ"_qs, clip, clip};
    QTest::newRow("paste in the box")
        << u"combo1003"_qs << cmd::kEditPaste << u"key"_qs << unchanged;
    QTest::newRow("paste on Register")
        << u"button1000"_qs << cmd::kEditPaste << u"menu"_qs << unchanged;
    QTest::newRow("paste on the start button")
        << u"button1005"_qs << cmd::kEditPaste << u"tool"_qs << unchanged;
}

void QuickAddViewTest::clipboardCommands() {
    QFETCH(QString, focus);
    QFETCH(int, command);
    QFETCH(QString, how);
    QFETCH(QStringList, after);
    Form form;
    QVERIFY(form.active);
    QGuiApplication::clipboard()->setText(u"クリップ"_qs);
    form.reading()->setText(u"よみ"_qs);
    form.word()->setText(u"たんご"_qs);
    auto* target = form.window->view().findChild<QWidget*>(focus);
    target->setFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(target)) edit->selectAll();
    QAction* action = form.window->frame().action(command);
    if (how == u"menu") {
        action->trigger();
    } else if (how == u"tool") {
        QToolBar* bar = form.window->frame().commandBar();
        QTest::mouseClick(bar->widgetForAction(action), Qt::LeftButton);
    } else {
        QTest::keySequence(QApplication::focusWidget(), action->shortcut());
    }
    QCOMPARE((QStringList{form.reading()->text(), form.word()->text(),
                          QGuiApplication::clipboard()->text()}),
             after);
}

void QuickAddViewTest::startManager_data() {
    QTest::addColumn<QString>("executable");  // what bears the name Wordkeeper
    QTest::addColumn<QString>("exec");        // Exec of the desktop entry; none when empty
    QTest::addColumn<QString>("path");        // PATH of the manager's environment
    QTest::addColumn<QString>("started");     // what the stand-in noted; empty for no start
    const QString target = u"\"%DIR%/bin/wk target\" \"a b\" c %U"_qs;
    const QString file = u"file"_qs, none;
    QTest::newRow("executable") << file << QString() << QString() << u"exe"_qs;
    QTest::newRow("entry only") << none << target << QString() << u"entry|a b|c"_qs;
    QTest::newRow("both") << file << target << QString() << u"exe"_qs;
    QTest::newRow("neither") << none << QString() << QString() << QString();
    QTest::newRow("a folder named so") << u"folder"_qs << target << QString() << QString();
    QTest::newRow("name from PATH") << none << u"wk-target %f"_qs << u"%DIR%/bin"_qs << u"entry"_qs;
    QTest::newRow("relative PATH folder") << none << u"wk-target"_qs << u"bin"_qs << QString();
    QTest::newRow("relative program") << none << u"bin/wk-target"_qs << QString() << QString();
}

void QuickAddViewTest::startManager() {
    QFETCH(QString, executable);
    QFETCH(QString, exec);
    QFETCH(QString, path);
    QFETCH(QString, started);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(u"bin"_qs));
    const auto write = [&dir](const QString& name, const QString& text) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QString(text).replace(u"%DIR%"_qs, dir.path()).toUtf8());
        file.setPermissions(file.permissions() | QFile::ExeOwner);
    };
    const auto standIn = [](const QString& label) {
        return u"#!/bin/sh\nprintf %s "_qs + label +
               u" > %DIR%/started\nfor a; do printf '|%s' \"$a\" >> %DIR%/started; done\n"_qs;
    };
    write(u"bin/wk target"_qs, standIn(u"entry"_qs));
    write(u"bin/wk-target"_qs, standIn(u"entry"_qs));
    if (executable == u"file") write(u"Wordkeeper"_qs, standIn(u"exe"_qs));
    if (executable == u"folder") QVERIFY(QDir(dir.path()).mkdir(u"Wordkeeper"_qs));
    if (!exec.isEmpty()) write(u"Wordkeeper.desktop"_qs, u"[Desktop Entry]\nExec="_qs + exec);
    // Relative names would resolve here; they must not.
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    Form form(true, dir.path(), QString(path).replace(u"%DIR%"_qs, dir.path()));
    form.reading()->setText(u"よみ"_qs);
    QTest::mouseClick(form.Find<QPushButton>("button1005"), Qt::LeftButton);
    QDir::setCurrent(previous);

    const auto noted = [&dir] {
        QFile note(dir.filePath(u"started"_qs));
        return note.open(QIODevice::ReadOnly) ? QString::fromUtf8(note.readAll()) : QString();
    };
    if (started.isEmpty()) QTest::qWait(300);
    QTRY_COMPARE_WITH_TIMEOUT(noted(), started, 10000);
    const bool neither = executable.isEmpty() && exec.isEmpty();
    QCOMPARE(form.messages,
             neither ? QStringList{u"WordkeeperAdd:Wordkeeperが見つかりません"_qs} : QStringList());
    QCOMPARE(form.reading()->text(), u"よみ"_qs);
    QVERIFY(form.registerButton()->isEnabled());
}

void QuickAddViewTest::desktopEntries_data() {
    QTest::addColumn<QString>("content");
    QTest::addColumn<QStringList>("command");  // empty when the entry is refused
    const QString head = u"[Desktop Entry]\nType=Application\n"_qs;
    QTest::newRow("plain") << head + u"Exec=/opt/wk/Wordkeeper"_qs
                           << QStringList{u"/opt/wk/Wordkeeper"_qs};
    QTest::newRow("field codes and %%")
        << head + u"Exec=wk %U --share=100%% %k"_qs << QStringList{u"wk"_qs, u"--share=100%"_qs};
    QTest::newRow("quotes and escapes")
        << head + uR"(Exec="/opt/my apps/wk" "say \"hi\"" "a\\\\b" "" "x\sy")"_qs
        << QStringList{u"/opt/my apps/wk"_qs, uR"(say "hi")"_qs, uR"(a\b)"_qs, QString(),
                       u"x y"_qs};
    QTest::newRow("other groups ignored")
        << u"[Other]\nExec=no\n[Desktop Entry]\r\n# note\nExec = /bin/wk -x\r\n"_qs
        << QStringList{u"/bin/wk"_qs, u"-x"_qs};
    QTest::newRow("unterminated quote") << head + u"Exec=\"/bin/wk"_qs << QStringList();
    QTest::newRow("unknown field code") << head + u"Exec=/bin/wk %z"_qs << QStringList();
    QTest::newRow("only a field code") << head + u"Exec=%f"_qs << QStringList();
    QTest::newRow("a link") << u"[Desktop Entry]\nType=Link\nExec=/bin/wk"_qs << QStringList();
    QTest::newRow("no Exec") << head << QStringList();
}

void QuickAddViewTest::desktopEntries() {
    QFETCH(QString, content);
    QFETCH(QStringList, command);
    QTemporaryDir dir;
    QFile file(dir.filePath(u"Wordkeeper.desktop"_qs));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content.toUtf8()) > 0);
    file.close();
    QCOMPARE(ReadDesktopEntryCommand(file.fileName()).value_or(QStringList()), command);
}

int main(int argc, char** argv) {
    PrepareGuiTestEnvironment();
    CWordkeeperApp app(argc, argv, QuickAddProgramInfo());
    QuickAddViewTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "quick_add_view_test.moc"
