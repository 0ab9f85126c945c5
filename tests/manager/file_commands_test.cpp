// The File menu's bulk registration and export, end to end, with the file request answered
// by the test or, through Qt's file dialog, by typing a name.
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>

#include <thread>

#include "manager/file_dialogs.h"
#include "manager_test_support.h"
#include "record_line.h"
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

QByteArray Slurp(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

void Store(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(bytes);
}

// Answers the file request in place of the standard dialog, counting the requests.
struct DialogAnswer {
    explicit DialogAnswer(int result, const QString& path, int filter = 1) {
        SetFileDialogHook([this, result, path, filter](tf::FileRequest& request) {
            ++requests;
            request.file = QFile::encodeName(path).toStdString();
            request.filterIndex = filter;
            return result;
        });
    }
    ~DialogAnswer() { SetFileDialogHook({}); }
    int requests = 0;
};

// What the export writes for the list as it is shown.
QByteArray ListAsFile(Session& session, tf::OutputEncoding encoding) {
    QByteArray bytes = kHead;
    for (int row = 0; row < session.model().rowCount(); ++row) {
        bytes += tf::FormatDictionaryLine(ToU16(session.Cell(row, 0)), ToU16(session.Cell(row, 1)),
                                          ToU16(session.Cell(row, 2)), encoding) +
                 "\r\n";
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
    void bulkRegister_data();
    void bulkRegister();
    void bulkRegisterCancelledFromProgress();
    void exportText_data();
    void exportText();
    void standardDialogs_data();
    void standardDialogs();
};

void FileCommandsTest::bulkRegister_data() {
    QTest::addColumn<int>("result");          // of the open request
    QTest::addColumn<QByteArray>("content");  // "(none)": no such file
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<int>("calls");  // registrations offered
    QTest::addColumn<bool>("refreshed");
    QTest::addColumn<QString>("details");  // of the summary: the refused lines
    // 山 is in the dictionary already, and the input method refuses it.
    const QByteArray good = kHead + "ふじさん\t富士山\t地名\r\nやま\t山\t名詞\r\nこ\t湖\t地名\r\n";
    QTest::newRow("cancelled") << 0 << good << QStringList() << 0 << false << QString();
    QTest::newRow("cannot be opened")
        << 1 << QByteArray("(none)") << QStringList{ToQString(tf::msg::kCannotOpen)} << 0 << false
        << QString();
    QTest::newRow("unreadable line 3")
        << 1 << kHead + "ふじさん\t富士山\t地名\r\nbad\r\nx\ty\t名詞\r\n"
        << QStringList{Filled(tf::msg::kUnreadableLine, {3})} << 1 << false << QString();
    QTest::newRow("good file") << 1 << good << QStringList{Filled(tf::msg::kSummary, {3, 2, 1})}
                               << 3 << true << u"3 行目\tやま\t山\t単語登録できません"_qs;
}

void FileCommandsTest::bulkRegister() {
    QFETCH(int, result);
    QFETCH(QByteArray, content);
    QFETCH(QStringList, messages);
    QFETCH(int, calls);
    QFETCH(bool, refreshed);
    QFETCH(QString, details);
    QTemporaryDir folder;
    const QString path = folder.filePath(u"words.txt"_qs);
    if (content != "(none)") Store(path, content);
    Session session(SampleWords());
    QVERIFY(session.Start());
    DialogAnswer answer(result, path);

    session.action(cmd::kBulkRegister)->trigger();

    QCOMPARE(answer.requests, 1);
    QCOMPARE(session.messages.texts(), messages);
    if (content == "(none)") QVERIFY(!session.messages.requests[0].detail.isEmpty());
    if (!messages.isEmpty()) QCOMPARE(session.messages.requests[0].details, details);
    QCOMPARE(static_cast<int>(session.ime.calls.size()), calls);
    QCOMPARE(session.ime.enumerations, refreshed ? 2 : 1);
    QCOMPARE(session.model().rowCount(), refreshed ? 14 : 12);
    QCOMPARE(session.ime.words.size(), std::size_t(12 + calls - (refreshed ? 1 : 0)));
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

// Cancelling stops behind the current record, shows the summary so far and refreshes.
void FileCommandsTest::bulkRegisterCancelledFromProgress() {
    QTemporaryDir folder;
    QByteArray content = kHead;
    for (int i = 0; i < 400; ++i) content += "よみ\t語" + QByteArray::number(i) + "\t名詞\r\n";
    Store(folder.filePath(u"many.txt"_qs), content);
    Session session(SampleWords());
    session.ime.beforeRegister = [](const FakeIme::Word&) {
        std::this_thread::sleep_for(std::chrono::milliseconds(4));
    };
    QVERIFY(session.Start());
    DialogAnswer answer(1, folder.filePath(u"many.txt"_qs));
    QString texts;
    auto watch = WhenModal<QProgressDialog>([&](QProgressDialog* progress) {
        texts = progress->windowTitle() + u"|"_qs + progress->labelText();
        QTest::mouseClick(progress->findChild<QPushButton*>(u"buttonCancel"_qs), Qt::LeftButton);
    });
    session.action(cmd::kBulkRegister)->trigger();

    QVERIFY(watch->ok());
    QVERIFY2(
        texts.startsWith(u"ﾃｷｽﾄﾌｧｲﾙから一括登録|"_qs) && texts.endsWith(u" 行を読み込みました"_qs),
        qPrintable(texts));
    const int registered = static_cast<int>(session.ime.calls.size());
    QVERIFY(registered < 400);
    QCOMPARE(session.messages.texts(),
             QStringList{Filled(tf::msg::kSummary, {registered, registered, 0})});
    QVERIFY(session.ime.enumerations == 2 && session.MatchesIme());
}

void FileCommandsTest::exportText_data() {
    QTest::addColumn<int>("result");        // of the save request
    QTest::addColumn<QString>("chosen");    // in the folder
    QTest::addColumn<QString>("existing");  // made beforehand, holding "old"
    QTest::addColumn<bool>("replace");      // the answer to the question
    QTest::addColumn<QString>("written");   // empty: nothing written
    QTest::addColumn<QStringList>("messages");
    const QString done = Filled(tf::msg::kExported, {12});
    const QString txt = u"words.txt"_qs;
    QTest::newRow("cancelled") << 0 << txt << QString() << true << QString() << QStringList{};
    QTest::newRow("new name") << 1 << txt << QString() << true << txt << QStringList{done};
    QTest::newRow("no extension") << 1 << u"words"_qs << QString() << true << txt
                                  << QStringList{done};
    QTest::newRow("existing, No") << 1 << txt << txt << false << QString() << QStringList{kReplace};
    QTest::newRow("existing once .txt is added, No")
        << 1 << u"words"_qs << txt << false << QString() << QStringList{kReplace};
    QTest::newRow("existing, Yes") << 1 << txt << txt << true << txt << QStringList{kReplace, done};
}

void FileCommandsTest::exportText() {
    QFETCH(int, result);
    QFETCH(QString, chosen);
    QFETCH(QString, existing);
    QFETCH(bool, replace);
    QFETCH(QString, written);
    QFETCH(QStringList, messages);
    QTemporaryDir folder;
    if (!existing.isEmpty()) Store(folder.filePath(existing), "old");
    Session session(SampleWords());
    QVERIFY(session.Start());
    // By word, descending: the file follows the list as shown.
    QHeaderView* header = session.view().horizontalHeader();
    for (int column : {0, 1}) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 4, 5));
    }
    session.messages.answer = replace;
    DialogAnswer answer(result, folder.filePath(chosen));

    session.action(cmd::kExportText)->trigger();

    QCOMPARE(session.messages.texts(), messages);
    if (messages.value(0) == kReplace)
        QCOMPARE(session.messages.requests[0].kind, MessageKind::QuestionWithCancel);
    if (!written.isEmpty())
        QCOMPARE(Slurp(folder.filePath(written)), ListAsFile(session, tf::OutputEncoding::Cp932));
    if (!existing.isEmpty() && written.isEmpty())
        QCOMPARE(Slurp(folder.filePath(existing)), QByteArray("old"));
    // Nothing else appears: no name without extension, no temporary file.
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files).size(),
             existing.isEmpty() && written.isEmpty() ? 0 : 1);
}

void FileCommandsTest::standardDialogs_data() {
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("filters");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("existing");  // the file to save exists already
    const QStringList two{u"ﾃｷｽﾄﾌｧｲﾙ (*.txt)"_qs, u"全てのﾌｧｲﾙ (*.*)"_qs};
    const QStringList saveFilters =
        two + QStringList{u"UTF-8 ﾃｷｽﾄﾌｧｲﾙ (*.txt)"_qs, u"Microsoft IME 用ﾃｷｽﾄﾌｧｲﾙ (*.txt)"_qs,
                          u"Mozc 用ﾃｷｽﾄﾌｧｲﾙ (*.txt)"_qs};
    const QString exported = Filled(tf::msg::kExported, {12});
    QTest::newRow("open") << cmd::kBulkRegister << u"辞書ﾃｷｽﾄﾌｧｲﾙを開く"_qs << two
                          << QStringList{Filled(tf::msg::kSummary, {1, 1, 0})} << false;
    QTest::newRow("save, UTF-8") << cmd::kExportText << u"辞書ﾃｷｽﾄﾌｧｲﾙを保存"_qs << saveFilters
                                 << QStringList{exported} << false;
    // The program asks about the existing file; the dialog does not ask first.
    QTest::newRow("save over a file") << cmd::kExportText << u"辞書ﾃｷｽﾄﾌｧｲﾙを保存"_qs << saveFilters
                                      << QStringList{kReplace, exported} << true;
}

// With no library and no hook, Qt's file dialog asks; the user types a name.
void FileCommandsTest::standardDialogs() {
    QFETCH(int, command);
    QFETCH(QString, title);
    QFETCH(QStringList, filters);
    QFETCH(QStringList, messages);
    QFETCH(bool, existing);
    QTemporaryDir folder;
    const QString input = folder.filePath(u"input.txt"_qs);
    Store(input, kHead + "ふじさん\t富士山\t地名\r\n");
    if (existing) Store(folder.filePath(u"out.txt"_qs), "old");
    const bool save = command == cmd::kExportText;
    Session session(SampleWords());
    QVERIFY(session.Start());
    QStringList shown;
    auto watch = WhenModal<QFileDialog>([&](QFileDialog* dialog) {
        auto* combo = dialog->findChild<QComboBox*>(u"fileTypeCombo"_qs);
        shown << dialog->windowTitle() << dialog->directory().absolutePath()
              << combo->currentText();
        for (int i = 0; i < combo->count(); ++i) shown << combo->itemText(i);
        if (save) combo->setCurrentIndex(2);
        auto* name = dialog->findChild<QLineEdit*>(u"fileNameEdit"_qs);
        name->setText(save ? folder.filePath(u"out"_qs) : input);
        QTest::keyClick(name, Qt::Key_Return);
    });

    session.action(command)->trigger();

    QVERIFY(watch->ok());
    QCOMPARE(shown,
             QStringList({title, QDir(DocumentsFolder()).absolutePath(), filters[0]}) + filters);
    QCOMPARE(session.messages.texts(), messages);
    if (save)
        QCOMPARE(Slurp(folder.filePath(u"out.txt"_qs)),
                 ListAsFile(session, tf::OutputEncoding::Utf8));

    // Either request opens next in the folder used last, in this run or the next.
    Session next(SampleWords());
    QVERIFY(next.Start());
    for (int again : {cmd::kBulkRegister, cmd::kExportText}) {
        QString opened;
        auto reopened = WhenModal<QFileDialog>([&](QFileDialog* dialog) {
            opened = dialog->directory().absolutePath();
            dialog->reject();
        });
        next.action(again)->trigger();
        QVERIFY(reopened->ok());
        QCOMPARE(opened, QDir(folder.path()).absolutePath());
    }
}

WK_MANAGER_TEST_MAIN(FileCommandsTest)

#include "file_commands_test.moc"
