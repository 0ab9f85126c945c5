// SPDX-License-Identifier: MIT
// The File menu's bulk registration and export, end to end, with the file request answered
// by the test or, through Qt's file dialog, by typing a name; and the long runs' progress.
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QProgressDialog>
#include <QTemporaryDir>

#include <optional>
#include <thread>

#include "core/messages.h"
#include "manager/file_dialogs.h"
#include "manager_test_support.h"
#include "temp_folder.h"
#include "textfile/text_commands.h"

using namespace wk;
using namespace wk::testing;
namespace tf = wk::textfile;

namespace {

const QByteArray kHead = "!Wordkeeper out-put text file\r\n";
const QString kReplace = u"同じﾌｧｲﾙが存在します。ﾌｧｲﾙを置き換えますか?"_qs;

QString Filled(std::u16string_view pattern, std::initializer_list<std::int64_t> numbers) {
    return ToQString(tf::FillNumbers(pattern, numbers));
}

struct DialogAnswer {
    explicit DialogAnswer(int result, const QString& path) {
        SetFileDialogHook([this, result, path](tf::FileRequest& request) {
            ++requests;
            request.file = QFile::encodeName(path).toStdString();
            request.filterIndex = tf::kUtf8FilterIndex;
            return result;
        });
    }
    ~DialogAnswer() { SetFileDialogHook({}); }
    int requests = 0;
};

// What the export writes in UTF-8 for the list as it is shown.
QByteArray ListAsFile(Session& session) {
    QByteArray bytes = kHead;
    for (int row = 0; row < session.model().rowCount(); ++row) {
        const QStringList fields{session.Cell(row, 0), session.Cell(row, 1), session.Cell(row, 2)};
        bytes += fields.join(u'\t').toUtf8() + "\r\n";
    }
    return bytes;
}

}  // namespace

class FileCommandsTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QuietPlatformNotes(); }
    void init() {
        SharedSettings().clear();
        SetDialogLibraryCandidates(std::vector<std::string>{});
    }
    void cleanup() { CloseAllModals(); }
    void fileCommands_data();
    void fileCommands();
    void cancelFromProgress_data();
    void cancelFromProgress();
};

void FileCommandsTest::fileCommands_data() {
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("result");         // of the file request; 2: typed into Qt's dialog
    QTest::addColumn<QString>("chosen");     // the name given, in the folder
    QTest::addColumn<QByteArray>("before");  // words.txt beforehand; empty: none
    QTest::addColumn<bool>("replace");       // the answer to the question
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QByteArray>("after");  // words.txt afterwards; "list": the list as shown
    // 山 is in the dictionary already, and the input method refuses it.
    const QByteArray good = kHead + "ふじさん\t富士山\t地名\r\nやま\t山\t名詞\r\nこ\t湖\t地名\r\n";
    const int open = cmd::kBulkRegister, save = cmd::kExportText;
    const QStringList summary{Filled(msg::kSummary, {3, 2, 1})};
    const QString done = Filled(msg::kExported, {12}), txt = u"words.txt"_qs;
    QTest::newRow("open, cancelled") << open << 0 << txt << good << true << QStringList() << good;
    QTest::newRow("open, no such file") << open << 1 << txt << QByteArray() << true
                                        << QStringList{ToQString(msg::kCannotOpen)} << QByteArray();
    QTest::newRow("open in Qt's dialog") << open << 2 << txt << good << true << summary << good;
    QTest::newRow("save, cancelled")
        << save << 0 << txt << QByteArray() << true << QStringList() << QByteArray();
    QTest::newRow("existing once .txt is added, No")
        << save << 1 << u"words"_qs << QByteArray("old") << false << QStringList{kReplace}
        << QByteArray("old");
    // The program asks about the existing file; Qt's dialog does not ask first.
    QTest::newRow("existing, in Qt's dialog")
        << save << 2 << u"words"_qs << QByteArray("old") << true << QStringList{kReplace, done}
        << QByteArray("list");
}

void FileCommandsTest::fileCommands() {
    QFETCH(int, command);
    QFETCH(int, result);
    QFETCH(QString, chosen);
    QFETCH(QByteArray, before);
    QFETCH(bool, replace);
    QFETCH(QStringList, messages);
    QFETCH(QByteArray, after);
    QTemporaryDir folder;
    const QString path = folder.filePath(u"words.txt"_qs);
    if (!before.isEmpty()) WriteFile(path.toStdString(), before.toStdString());
    Session session;
    QVERIFY(session.Start());
    // By word, descending: the file follows the list as shown.
    session.TapHeader(0);
    session.TapHeader(1);
    session.messages.answer = replace;
    std::optional<DialogAnswer> answer;
    if (result < 2) answer.emplace(result, folder.filePath(chosen));
    auto typed = WhenModal<QFileDialog>([&](QFileDialog* dialog) {
        auto* combo = dialog->findChild<QComboBox*>(u"fileTypeCombo"_qs);
        if (command == cmd::kExportText) combo->setCurrentIndex(tf::kUtf8FilterIndex - 1);
        auto* name = dialog->findChild<QLineEdit*>(u"fileNameEdit"_qs);
        name->setText(folder.filePath(chosen));
        QTest::keyClick(name, Qt::Key_Return);
    });

    session.action(command)->trigger();

    QVERIFY(answer ? answer->requests == 1 : typed->ok());
    QCOMPARE(session.messages.texts(), messages);
    // Beside the message: why the file cannot be opened, or the lines refused.
    if (command == cmd::kBulkRegister && !messages.isEmpty()) {
        const MessageRequest& box = session.messages.requests[0];
        QVERIFY(before.isEmpty() ? !box.detail.isEmpty()
                                 : box.details == u"3 行目\tやま\t山\t単語登録できません"_qs);
    }
    QCOMPARE(QByteArray::fromStdString(ReadFile(path.toStdString())),
             after == "list" ? ListAsFile(session) : after);
    // Nothing else appears: no name without extension, no temporary file.
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files).size(), QFile::exists(path) ? 1 : 0);
    QVERIFY(session.MatchesIme());
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

void FileCommandsTest::cancelFromProgress_data() {
    QTest::addColumn<int>("command");
    QTest::newRow("bulk registration") << cmd::kBulkRegister;
    QTest::newRow("deletion") << cmd::kDeleteWords;
}

// A cancel from the progress ends a long run behind the current word; what was done stays.
void FileCommandsTest::cancelFromProgress() {
    QFETCH(int, command);
    const bool bulk = command == cmd::kBulkRegister;
    QTemporaryDir folder;
    QByteArray content = kHead;
    std::vector<FakeIme::Word> words;
    for (int i = 0; i < 400; ++i) {
        content += "よみ\t語" + QByteArray::number(i) + "\t名詞\r\n";
        words.push_back({u"よみ", 1, u"語" + ToU16(QString::number(i))});
    }
    WriteFile(folder.filePath(u"many.txt"_qs).toStdString(), content.toStdString());
    Session session(bulk ? SampleWords() : words);
    session.ime.beforeRegister = session.ime.beforeUnregister = [](const FakeIme::Word&) {
        std::this_thread::sleep_for(std::chrono::milliseconds(4));
    };
    QVERIFY(session.Start());
    session.action(cmd::kSelectAll)->trigger();
    DialogAnswer answer(1, folder.filePath(u"many.txt"_qs));
    auto watch = WhenModal<QProgressDialog>([&](QProgressDialog* progress) {
        QTest::mouseClick(progress->findChild<QPushButton*>(u"buttonCancel"_qs), Qt::LeftButton);
    });
    session.action(command)->trigger();

    QVERIFY(watch->ok());
    const int done = static_cast<int>(session.ime.calls.size());
    QVERIFY(done > 0 && done < 400);
    // The deletion asks first; a registration cut short still sums up.
    QCOMPARE(session.messages.texts().mid(bulk ? 0 : 1),
             bulk ? QStringList{Filled(msg::kSummary, {done, done, 0})} : QStringList());
    QCOMPARE(session.model().rowCount(), bulk ? 12 + done : 400 - done);
    QVERIFY(session.MatchesIme());
}

WK_GUI_TEST_MAIN(FileCommandsTest, ManagerProgramInfo())

#include "file_commands_test.moc"
