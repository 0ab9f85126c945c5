// SPDX-License-Identifier: MIT
// The graphical programs beside each other and under faults: the manager in this process
// (offscreen), quick-add sessions and wordkeeper-cli in processes of their own.
#include <sys/fsuid.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QProcess>

#include <filesystem>

#include "cli_process.h"
#include "core/messages.h"
#include "ime/backend.h"
#include "manager/word_edit_dlg.h"
#include "manager_test_support.h"
#include "memory_settings.h"
#include "quickadd/quick_add_window.h"

using namespace wk;
using namespace wk::reliability;

namespace {

QStringList CliList(const QString& storeName) {
    QProcess cli;
    cli.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    cli.start(QStringLiteral(WK_CLI_BINARY), {u"--ime"_qs, storeName, u"list"_qs});
    if (!cli.waitForFinished(60000) || cli.exitCode() != 0) return {u"(list failed)"_qs};
    return QString::fromUtf8(cli.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

// File accesses of this thread as `user` while it lives (file modes do not hold root back).
struct FileAccessAs {
    explicit FileAccessAs(uid_t user) : oldGroup(::setfsgid(user)), oldUser(::setfsuid(user)) {}
    ~FileAccessAs() {
        ::setfsuid(oldUser);
        ::setfsgid(oldGroup);
    }
    int oldGroup, oldUser;
};

const QStringList kInitial = {u"すずき\t鈴木\t姓"_qs, u"たなか\t田中\t姓"_qs,
                              u"やまだ\t山田\t姓"_qs};

void Seed(const std::string& storeName) {
    ime::OpenedInputMethod seed = ime::OpenInputMethod(storeName);
    for (const QString& line : kInitial) {
        const QStringList fields = line.split(u'\t');
        seed.ime->RegisterWord(ToU16(fields[0]), 5, ToU16(fields[1]));
    }
}

struct Manager {
    Manager(const QString& storeName, SettingsStore& settings)
        : opened(ime::OpenInputMethod(storeName.toStdString())),
          dictionary(*opened.ime),
          window(dictionary, settings) {
        window.Start();
    }
    void Do(int command) { window.frame().action(command)->trigger(); }
    // The rows as wordkeeper-cli lists them: "READING\tWORD\tPOS".
    QStringList Rows() {
        const QAbstractItemModel& model = window.view().wordModel();
        QStringList rows;
        for (int row = 0; row < model.rowCount(); ++row) {
            QStringList cells;
            for (int column = 0; column < 3; ++column)
                cells << model.index(row, column).data().toString();
            rows << cells.join(u'\t');
        }
        return rows;
    }
    // Through the 単語登録 dialog; false when the dialog did not come up or close.
    bool Register(const QString& reading, const QString& word) {
        auto watch = WhenModal<CWordEditDlg>([&](CWordEditDlg* dialog) {
            TypeAndRegister(dialog, reading, word);
            Press(dialog, "closeButton");
        });
        Do(cmd::kNewWord);
        return watch->ok();
    }
    void Delete(const QList<int>& rows) {
        window.view().clearSelection();
        for (int row : rows)
            window.view().selectionModel()->select(
                window.view().wordModel().index(row, 0),
                QItemSelectionModel::Select | QItemSelectionModel::Rows);
        Do(cmd::kDeleteWords);
    }
    ime::OpenedInputMethod opened;
    Dictionary dictionary;
    ManagerWindow window;
};

void QuickAddWord(QuickAddWindow& form, const QString& reading, const QString& word) {
    Child(&form.view(), "readingEdit")->setText(reading);
    Child(&form.view(), "wordEdit")->setText(word);
    Child<QPushButton>(&form.view(), "registerButton")->click();
}

QString StoreOption(const QString& folder) {
    return u"embedded:"_qs + folder + u"/words.sqlite"_qs;
}

}  // namespace

class DesktopTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QuietPlatformNotes(); }
    void cleanup() { CloseAllModals(); }
    void everyoneAtOnce();
    void changesOnABrokenStore_data();
    void changesOnABrokenStore();
    void settingsThatCannotBeWritten();
    void storeFolderThatMayNotBeEntered();
};

// The manager's dialogs, two quick-add forms and wordkeeper-cli change one store at once: no
// change is lost, and the manager's list after the reload the note brings is the dictionary's.
void DesktopTest::everyoneAtOnce() {
    QTemporaryDir folder;
    const QString storeName = StoreOption(folder.path());
    MessageLog messages;
    QtSettingsStore settings;
    Manager manager(storeName, settings);
    QWidget other;
    other.show();

    QSet<QString> expected;
    std::vector<std::unique_ptr<QProcess>> quickAdds;
    for (const QString& who : {u"ひだり"_qs, u"みぎ"_qs}) {
        QStringList words;
        for (int i = 0; i < 80; ++i) {
            words << u"%1%2/%1語%2"_qs.arg(who).arg(i);
            expected << u"%1%2\t%1語%2\t名詞"_qs.arg(who).arg(i);
        }
        auto& process = quickAdds.emplace_back(std::make_unique<QProcess>());
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(QStringLiteral(WK_QUICKADD_DRIVER), QStringList{storeName} + words);
    }
    // Every third word wordkeeper-cli adds removes the one before.
    const QString script =
        uR"(set -e; for i in $(seq 0 89); do
        "$0" --ime "$1" add こまんど$i 命令$i 名詞
        [ $((i % 3)) != 2 ] || "$0" --ime "$1" remove こまんど$((i-1)) 命令$((i-1)) 名詞
    done)"_qs;
    for (int i = 0; i < 90; ++i)
        if (i % 3 != 1) expected << u"こまんど%1\t命令%1\t名詞"_qs.arg(i);
    QProcess cli;
    cli.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    for (auto& process : quickAdds) {
        QVERIFY(process->waitForReadyRead(20000));
        QCOMPARE(process->readLine(), QByteArray("ready\n"));
    }
    for (auto& process : quickAdds) process->write("go\n");
    cli.start(u"/bin/sh"_qs, {u"-c"_qs, script, QStringLiteral(WK_CLI_BINARY), storeName});

    for (int i = 0; i < 60; ++i) {
        const QString line = u"まねーじゃ%1\t管理%1\t名詞"_qs.arg(i);
        QVERIFY(manager.Register(u"まねーじゃ%1"_qs.arg(i), u"管理%1"_qs.arg(i)));
        expected << line;
        if (i % 3 == 2) {
            const QString old = u"まねーじゃ%1\t管理%1\t名詞"_qs.arg(i - 1);
            QVERIFY2(manager.Rows().contains(old), qPrintable(old));
            manager.Delete({static_cast<int>(manager.Rows().indexOf(old))});
            expected.remove(old);
        }
        // The user comes back to the window: the note brings a reload amid the others' writes.
        if (i % 5 == 4) QVERIFY(Activate(other) && Activate(manager.window.frame()));
    }
    for (auto& process : quickAdds) {
        QVERIFY(process->state() == QProcess::NotRunning || process->waitForFinished(60000));
        QCOMPARE(process->exitStatus(), QProcess::NormalExit);
        QCOMPARE(process->exitCode(), 0);
    }
    QVERIFY(cli.state() == QProcess::NotRunning || cli.waitForFinished(120000));
    QCOMPARE(cli.exitCode(), 0);

    QVERIFY(Activate(other) && Activate(manager.window.frame()));
    const QStringList listed = CliList(storeName);
    QCOMPARE(QSet<QString>(listed.begin(), listed.end()), expected);
    QCOMPARE(listed.size(), expected.size());
    const QStringList shown = manager.Rows();
    QCOMPARE(QSet<QString>(shown.begin(), shown.end()), expected);
    // Re-read, the list is in the same order as the tool's.
    manager.Do(cmd::kRefresh);
    QCOMPARE(manager.Rows(), listed);
    for (const MessageRequest& request : messages.requests)
        QVERIFY2(request.kind == MessageKind::Question, qPrintable(request.text));
}

void DesktopTest::changesOnABrokenStore_data() {
    QTest::addColumn<bool>("fullDisk");  // else a read-only store
    QTest::addColumn<QString>("why");    // the input method's reason, shown beside the refusal
    QTest::newRow("full disk") << true << u"ディスクの空き容量が足りません"_qs;
    QTest::newRow("read-only store") << false << u"辞書ファイルに書き込めません"_qs;
}

// Every change is refused with the reason, the windows stay usable, and no word is lost.
void DesktopTest::changesOnABrokenStore() {
    QFETCH(bool, fullDisk);
    QFETCH(QString, why);
    CliHome temporary;  // takes the test's mounts away when it goes
    const std::string folder = temporary.Path("store");
    fs::create_directories(folder);
    if (fullDisk && !MountTmpfs(folder, "size=1m")) QSKIP("cannot mount a tmpfs here");
    const QString storeName = StoreOption(QString::fromStdString(folder));
    Seed(storeName.toStdString());
    if (!fullDisk && !MakeReadOnly(folder)) QSKIP("cannot mount read-only here");
    const std::string storeFile = folder + "/words.sqlite";

    MessageLog messages;
    MemorySettings settings;
    Manager manager(storeName, settings);
    if (fullDisk) Fill(folder);

    const auto refusal = [&](std::u16string_view text) {
        if (messages.requests.size() != 1) return u"%1 messages"_qs.arg(messages.requests.size());
        const MessageRequest request = messages.requests.front();
        messages.requests.clear();
        if (request.text != ToQString(text) || !request.detail.contains(why))
            return request.text + u" / "_qs + request.detail;
        return QString();
    };

    // Keeping what was typed is tried in tests/manager and tests/quickadd; here, the reason.
    QVERIFY(manager.Register(u"もり"_qs, u"森"_qs));
    QCOMPARE(refusal(msg::kCannotRegister), QString());

    // Two words deleted at once: the question, then the refusal.
    manager.Delete({0, 2});
    QVERIFY(!messages.requests.empty() && messages.requests[0].kind == MessageKind::Question);
    messages.requests.erase(messages.requests.begin());
    QCOMPARE(refusal(msg::kCannotDelete), QString());
    QCOMPARE(manager.Rows(), kInitial);

    ime::OpenedInputMethod own = ime::OpenInputMethod(storeName.toStdString());
    QVERIFY(own.ime);
    QuickAddWindow quickAdd(*own.ime, settings, ManagerLauncher(QString::fromStdString(folder)));
    quickAdd.Start();
    QuickAddWord(quickAdd, u"かわ"_qs, u"川"_qs);
    QCOMPARE(refusal(msg::kCannotRegister), QString());

    // Space made on the disk is used at once; a read-only store stays so until reopened.
    if (fullDisk)
        fs::remove(folder + "/filler");
    else
        ::umount2(folder.c_str(), MNT_DETACH);
    manager.Do(cmd::kRefresh);
    QCOMPARE(manager.Rows(), kInitial);
    QVERIFY(
        fullDisk
            ? manager.Register(u"もり"_qs, u"森"_qs)
            : ime::OpenInputMethod(storeName.toStdString()).ime->RegisterWord(u"もり", 1, u"森"));
    QCOMPARE(messages.requests.size(), std::size_t{0});
    QCOMPARE(CliList(storeName),
             (QStringList{kInitial[0], kInitial[1], u"もり\t森\t名詞"_qs, kInitial[2]}));
    QCOMPARE(QString::fromStdString(IntegrityCheck(storeFile)), u"ok"_qs);
}

// The words go in; the user is told once of the note and once of the widths not kept.
void DesktopTest::settingsThatCannotBeWritten() {
    QTemporaryDir folder;
    const QString storeName = StoreOption(folder.path());
    MessageLog messages;
    {
        QtSettingsStore first;
        QVERIFY(first.WriteInt("ColumnWidth0", 90) && first.Sync());
    }
    const std::string settingsFile = QtSettingsStore().fileName().toStdString();
    const std::string settingsFolder = fs::path(settingsFile).parent_path();
    const std::string before = ReadFile(settingsFile);
    const auto unmount = qScopeGuard([&] { ::umount2(settingsFolder.c_str(), MNT_DETACH); });
    if (!MakeReadOnly(settingsFolder)) QSKIP("cannot mount read-only here");

    QtSettingsStore settings;
    Manager manager(storeName, settings);
    QuickAddWindow quickAdd(*manager.opened.ime, settings, ManagerLauncher(folder.path()));
    quickAdd.Start();
    for (const auto& [reading, word] : {std::pair{u"うみ"_qs, u"海"_qs}, {u"そら"_qs, u"空"_qs}})
        QuickAddWord(quickAdd, reading, word);
    QCOMPARE(messages.texts(), QStringList{ToQString(msg::kNoteNotWritten)});
    QCOMPARE(CliList(storeName), (QStringList{u"うみ\t海\t名詞"_qs, u"そら\t空\t名詞"_qs}));

    manager.window.frame().close();
    QCOMPARE(messages.texts(),
             (QStringList{ToQString(msg::kNoteNotWritten), ToQString(msg::kWidthsNotSaved)}));
    QCOMPARE(ReadFile(settingsFile), before);
}

// Neither program opens a store in a folder of mode 0000, each says why; a manager running
// when the folder closes keeps a list that agrees with the store.
void DesktopTest::storeFolderThatMayNotBeEntered() {
    CliHome temporary;
    const std::string folder = temporary.Path("store");
    fs::create_directories(folder);
    const uid_t user = ::geteuid() == 0 ? NobodyId() : ::geteuid();
    temporary.GiveTo(user);
    const QString storeName = StoreOption(QString::fromStdString(folder));
    MessageLog messages;
    ProgramArguments arguments;
    arguments.imeOption = storeName.toStdString();
    {
        FileAccessAs as(user);
        Seed(storeName.toStdString());
        QCOMPARE(::chmod(folder.c_str(), 0), 0);
        QCOMPARE(RunManagerSession(arguments), 1);
        QCOMPARE(RunQuickAddSession(arguments), 1);
        QCOMPARE(::chmod(folder.c_str(), 0700), 0);
    }
    QCOMPARE(messages.requests.size(), std::size_t{2});
    for (const MessageRequest& request : messages.requests) {
        QCOMPARE(request.kind, MessageKind::Application);
        QVERIFY2(request.text.startsWith(u"辞書を開けません"_qs) &&
                     request.text.contains(u"アクセスが許可されていません"_qs),
                 qPrintable(request.text));
    }
    messages.requests.clear();

    QStringList shown;
    {
        FileAccessAs as(user);
        MemorySettings settings;
        Manager manager(storeName, settings);
        QCOMPARE(::chmod(folder.c_str(), 0), 0);
        QVERIFY(manager.Register(u"もり"_qs, u"森"_qs));
        manager.Delete({static_cast<int>(manager.Rows().indexOf(kInitial[0]))});
        QCOMPARE(::chmod(folder.c_str(), 0700), 0);
        shown = manager.Rows();
    }
    QCOMPARE(shown, CliList(storeName));
}

// The fault cases' mounts vanish with this process; set up while it has one thread.
[[maybe_unused]] static const bool privateMounts = PrivateMounts();
WK_GUI_TEST_MAIN(DesktopTest, ManagerProgramInfo())

#include "desktop_test.moc"
