// The File menu's bulk registration and export, end to end, with the file requests
// answered by the test, by Qt's file dialog and by a dialog library of the tests' own.
#include <sys/mount.h>
#include <unistd.h>

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>

#include <chrono>
#include <thread>

#include "manager/bulk_progress.h"
#include "manager/file_dialogs.h"
#include "manager_test_support.h"
#include "textfile/text_commands.h"

using namespace wk;
using namespace wk::testing;
namespace tf = wk::textfile;

namespace {

const QByteArray kHead = "!Wordkeeper out-put text file\r\n";
const QString kReplace = u"同じﾌｧｲﾙが存在します。ﾌｧｲﾙを置き換えますか?"_qs;

QString Q(std::u16string_view text) { return ToQString(text); }
QString Filled(std::u16string_view pattern, std::initializer_list<std::int64_t> numbers) {
    return Q(tf::FillNumbers(pattern, numbers));
}

QByteArray Slurp(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

void Store(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Runs a command as the File menu offers it.
void ChooseFromFileMenu(Session& session, int id) {
    auto* menu = session.frame().menuBar()->findChild<QMenu*>(u"menu0"_qs);
    QVERIFY(menu != nullptr && menu->title() == u"ﾌｧｲﾙ"_qs);
    QAction* item = session.action(id);
    QVERIFY(menu->actions().contains(item) && item->isEnabled());
    item->trigger();
}

// Answers the standard dialog: records the request, gives `path` and `filter`.
struct DialogAnswer {
    explicit DialogAnswer(int result, QString path = {}, int filter = 0) {
        SetFileDialogHook([this, result, path, filter](tf::FileRequest& request) {
            requests.push_back(request);
            request.file = QFile::encodeName(path).toStdString();
            request.filterIndex = filter;
            return result;
        });
    }
    ~DialogAnswer() { SetFileDialogHook({}); }
    std::vector<tf::FileRequest> requests;
};

// What the export writes for the list as it is shown.
QByteArray ListAsFile(Session& session, tf::OutputEncoding encoding) {
    QByteArray bytes = kHead;
    for (int row = 0; row < session.model().rowCount(); ++row) {
        bytes += QByteArray::fromStdString(
            tf::FormatDictionaryLine(ToU16(session.Cell(row, 0)), ToU16(session.Cell(row, 1)),
                                     ToU16(session.Cell(row, 2)), encoding));
        bytes += "\r\n";
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
    void cleanup() {
        SetDialogLibraryCandidates(std::nullopt);
        for (const char* name : {"WK_TEST_GSGETFILE_ANSWER", "WK_TEST_GSGETFILE_RESULT"})
            qunsetenv(name);
        CloseAllModals();
    }
    void bulkRegister_data();
    void bulkRegister();
    void bulkRegisterCancelledFromProgress();
    void exportText_data();
    void exportText();
    void exportToFullDiskKeepsOldFile();
    void standardDialogs_data();
    void standardDialogs();
    void dialogLibraryWithOpenOnly();
};

void FileCommandsTest::bulkRegister_data() {
    QTest::addColumn<int>("result");          // of the open request
    QTest::addColumn<QByteArray>("content");  // "(none)": no such file
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<bool>("refreshed");
    const QByteArray good =
        kHead + "ふじさん\t富士山\t地名\r\nやま\t山\t名詞\r\nびわこ\t琵琶湖\t地名\r\n";
    const QByteArray broken = kHead + "ふじさん\t富士山\t地名\r\nbad line\r\nx\ty\t名詞\r\n";
    const QStringList none;
    QTest::newRow("cancelled") << 0 << good << none << none << false;
    QTest::newRow("answered 2") << 2 << good << none << none << false;
    QTest::newRow("cannot be opened")
        << 1 << QByteArray("(none)") << QStringList{Q(tf::msg::kCannotOpen)} << none << false;
    QTest::newRow("unreadable line 3")
        << 1 << broken << QStringList{Filled(tf::msg::kUnreadableLine, {3})}
        << QStringList{u"+富士山"_qs} << false;
    // 山 is in the dictionary already, and the input method refuses it.
    QTest::newRow("good file") << 1 << good << QStringList{Filled(tf::msg::kSummary, {3, 2, 1})}
                               << QStringList{u"+富士山"_qs, u"+山"_qs, u"+琵琶湖"_qs} << true;
    QTest::newRow("empty file") << 1 << QByteArray()
                                << QStringList{Filled(tf::msg::kSummary, {0, 0, 0})} << none
                                << true;
}

void FileCommandsTest::bulkRegister() {
    QFETCH(int, result);
    QFETCH(QByteArray, content);
    QFETCH(QStringList, messages);
    QFETCH(QStringList, calls);
    QFETCH(bool, refreshed);
    QTemporaryDir folder;
    const QString path = folder.filePath(u"words.txt"_qs);
    if (content != "(none)") Store(path, content);
    Session session(SampleWords());
    QVERIFY(session.Start());
    DialogAnswer answer(result, path);

    ChooseFromFileMenu(session, cmd::kBulkRegister);

    QCOMPARE(answer.requests.size(), std::size_t{1});
    const tf::FileRequest& request = answer.requests[0];
    QCOMPARE(QString::fromStdString(request.title), u"辞書ﾃｷｽﾄﾌｧｲﾙを開く"_qs);
    QCOMPARE(request.flags, 0x1004u);
    QCOMPARE(request.filters.size(), std::size_t{2});
    QCOMPARE(QFile::decodeName(request.initialDir.c_str()), DocumentsFolder());
    QCOMPARE(session.messages.texts(), messages);
    if (content == "(none)") QVERIFY(!session.messages.requests[0].detail.isEmpty());
    QStringList made;
    for (const std::u16string& call : session.ime.calls) made << Q(call);
    QCOMPARE(made, calls);
    QCOMPARE(session.ime.enumerations, refreshed ? 2 : 1);
    QCOMPARE(session.model().rowCount(),
             refreshed ? static_cast<int>(session.ime.words.size()) : 12);
    if (refreshed) QVERIFY(session.MatchesIme());
    QVERIFY(!session.view().waitCursorShown());
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

void FileCommandsTest::bulkRegisterCancelledFromProgress() {
    QTemporaryDir folder;
    const QString path = folder.filePath(u"many.txt"_qs);
    QByteArray content = kHead;
    for (int i = 0; i < 400; ++i) content += "よみ\t語" + QByteArray::number(i) + "\t名詞\r\n";
    Store(path, content);
    Session session(SampleWords());
    session.ime.beforeRegister = [] { std::this_thread::sleep_for(std::chrono::milliseconds(4)); };
    QVERIFY(session.Start());
    DialogAnswer answer(1, path);
    QString title, label;
    QElapsedTimer started;
    qint64 shownAfter = 0;
    auto watch = WhenModal<QProgressDialog>([&](QProgressDialog* progress) {
        shownAfter = started.elapsed();
        title = progress->windowTitle();
        label = progress->labelText();
        QTest::mouseClick(progress->findChild<QPushButton*>(u"buttonCancel"_qs), Qt::LeftButton);
    });

    started.start();
    ChooseFromFileMenu(session, cmd::kBulkRegister);

    QVERIFY(watch->ok());
    QVERIFY2(shownAfter >= BulkProgress::kShowAfterMs, qPrintable(QString::number(shownAfter)));
    QCOMPARE(title, u"ﾃｷｽﾄﾌｧｲﾙから一括登録"_qs);
    QVERIFY(label.endsWith(u" 行を読み込みました"_qs));
    const int registered = static_cast<int>(session.ime.calls.size());
    QVERIFY(registered < 400);
    QCOMPARE(session.messages.texts(),
             QStringList{Filled(tf::msg::kSummary, {registered, registered, 0})});
    QCOMPARE(session.ime.enumerations, 2);
    QVERIFY(session.MatchesIme());
    QVERIFY(session.frame().findChild<QProgressDialog*>() == nullptr);
}

void FileCommandsTest::exportText_data() {
    QTest::addColumn<int>("result");        // of the save request
    QTest::addColumn<QString>("chosen");    // relative to the folder
    QTest::addColumn<QString>("existing");  // made beforehand, holding "old"
    QTest::addColumn<bool>("replace");      // the answer to the question
    QTest::addColumn<int>("filter");
    QTest::addColumn<QList<int>>("taps");  // header taps before the export
    QTest::addColumn<QString>("written");  // empty: nothing written
    QTest::addColumn<QStringList>("messages");
    const QString exported = Filled(tf::msg::kExported, {12});
    const QList<int> none;
    QTest::newRow("cancelled") << 0 << u"words.txt"_qs << QString() << true << 1 << none
                               << QString() << QStringList{};
    QTest::newRow("new name") << 1 << u"words.txt"_qs << QString() << true << 1 << none
                              << u"words.txt"_qs << QStringList{exported};
    QTest::newRow("no extension") << 1 << u"words"_qs << QString() << true << 1 << none
                                  << u"words.txt"_qs << QStringList{exported};
    QTest::newRow("a dot in the folder only")
        << 1 << u"my.folder/words"_qs << QString() << true << 1 << none << u"my.folder/words.txt"_qs
        << QStringList{exported};
    QTest::newRow("other extension kept") << 1 << u"words.csv"_qs << QString() << true << 0 << none
                                          << u"words.csv"_qs << QStringList{exported};
    QTest::newRow("existing, No") << 1 << u"words.txt"_qs << u"words.txt"_qs << false << 1 << none
                                  << QString() << QStringList{kReplace};
    QTest::newRow("existing once .txt is added, No")
        << 1 << u"words"_qs << u"words.txt"_qs << false << 1 << none << QString()
        << QStringList{kReplace};
    QTest::newRow("existing, Yes") << 1 << u"words.txt"_qs << u"words.txt"_qs << true << 1 << none
                                   << u"words.txt"_qs << QStringList{kReplace, exported};
    QTest::newRow("UTF-8 filter, by word descending")
        << 1 << u"words.txt"_qs << QString() << true << 3 << QList<int>{0, 1} << u"words.txt"_qs
        << QStringList{exported};
}

void FileCommandsTest::exportText() {
    QFETCH(int, result);
    QFETCH(QString, chosen);
    QFETCH(QString, existing);
    QFETCH(bool, replace);
    QFETCH(int, filter);
    QFETCH(QList<int>, taps);
    QFETCH(QString, written);
    QFETCH(QStringList, messages);
    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkdir(u"my.folder"_qs));
    if (!existing.isEmpty()) Store(folder.filePath(existing), "old");
    Session session(SampleWords());
    QVERIFY(session.Start());
    QHeaderView* header = session.view().horizontalHeader();
    for (int tap : taps) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(tap) + 4, 5));
    }
    session.messages.answer = replace;
    DialogAnswer answer(result, folder.filePath(chosen), filter);

    ChooseFromFileMenu(session, cmd::kExportText);

    QCOMPARE(answer.requests.size(), std::size_t{1});
    QCOMPARE(QString::fromStdString(answer.requests[0].title), u"辞書ﾃｷｽﾄﾌｧｲﾙを保存"_qs);
    QCOMPARE(answer.requests[0].flags, 0x0002u);
    QCOMPARE(QString::fromStdString(answer.requests[0].filters.at(2).text),
             u"UTF-8 ﾃｷｽﾄﾌｧｲﾙ (*.txt)"_qs);
    QCOMPARE(session.messages.texts(), messages);
    if (messages.value(0) == kReplace)
        QCOMPARE(session.messages.requests[0].kind, MessageKind::QuestionWithCancel);
    if (!written.isEmpty()) {
        const auto encoding = filter == 3 ? tf::OutputEncoding::Utf8 : tf::OutputEncoding::Cp932;
        QCOMPARE(Slurp(folder.filePath(written)), ListAsFile(session, encoding));
    }
    if (!existing.isEmpty() && written.isEmpty())
        QCOMPARE(Slurp(folder.filePath(existing)), QByteArray("old"));
    // Nothing else appears in the folder: no name without extension, no temporary file.
    const int files = QDir(folder.path()).entryList(QDir::Files).size() +
                      QDir(folder.filePath(u"my.folder"_qs)).entryList(QDir::Files).size();
    QCOMPARE(files, existing.isEmpty() && written.isEmpty() ? 0 : 1);
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

void FileCommandsTest::exportToFullDiskKeepsOldFile() {
    QTemporaryDir folder;
    if (::mount("tmpfs", folder.path().toLocal8Bit().constData(), "tmpfs", 0, "size=64k") != 0)
        QSKIP("mounting a tmpfs is not permitted here");
    const QString path = folder.filePath(u"words.txt"_qs);
    Store(path, "old");
    // About 180 KB of lines for a 64 KB disk.
    std::vector<FakeIme::Word> many;
    for (int i = 0; i < 8000; ++i)
        many.push_back({u"よみ" + std::u16string(8, u'x'), 1, u"語" + ToU16(QString::number(i))});
    {
        Session session(many);
        QVERIFY(session.Start());
        DialogAnswer answer(1, path, 1);
        ChooseFromFileMenu(session, cmd::kExportText);
        QCOMPARE(session.messages.texts(), (QStringList{kReplace, Q(tf::msg::kCannotCreate)}));
    }
    const QByteArray left = Slurp(path);
    const QStringList entries = QDir(folder.path()).entryList(QDir::Files);
    ::umount(folder.path().toLocal8Bit().constData());
    QCOMPARE(left, QByteArray("old"));
    QCOMPARE(entries, QStringList{u"words.txt"_qs});
}

void FileCommandsTest::standardDialogs_data() {
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("filters");
    QTest::addColumn<QString>("message");
    const QStringList two{u"ﾃｷｽﾄﾌｧｲﾙ (*.txt)"_qs, u"全てのﾌｧｲﾙ (*.*)"_qs};
    QTest::newRow("open") << cmd::kBulkRegister << u"辞書ﾃｷｽﾄﾌｧｲﾙを開く"_qs << two
                          << Filled(tf::msg::kSummary, {1, 1, 0});
    QTest::newRow("save") << cmd::kExportText << u"辞書ﾃｷｽﾄﾌｧｲﾙを保存"_qs
                          << (two + QStringList{u"UTF-8 ﾃｷｽﾄﾌｧｲﾙ (*.txt)"_qs})
                          << Filled(tf::msg::kExported, {12});
}

// Without a hook and without a library, Qt's file dialog asks; the user types a name.
void FileCommandsTest::standardDialogs() {
    QFETCH(int, command);
    QFETCH(QString, title);
    QFETCH(QStringList, filters);
    QFETCH(QString, message);
    QTemporaryDir folder;
    const QString input = folder.filePath(u"input.txt"_qs);
    Store(input, kHead + "ふじさん\t富士山\t地名\r\n");
    const bool save = command == cmd::kExportText;
    Session session(SampleWords());
    QVERIFY(session.Start());
    QString shownTitle, shownFolder, selected;
    QStringList shownFilters;
    auto watch = WhenModal<QFileDialog>([&](QFileDialog* dialog) {
        shownTitle = dialog->windowTitle();
        shownFolder = dialog->directory().absolutePath();
        auto* combo = dialog->findChild<QComboBox*>(u"fileTypeCombo"_qs);
        for (int i = 0; i < combo->count(); ++i) shownFilters << combo->itemText(i);
        selected = combo->currentText();
        if (save) combo->setCurrentIndex(2);
        auto* name = dialog->findChild<QLineEdit*>(u"fileNameEdit"_qs);
        name->setText(save ? folder.filePath(u"out"_qs) : input);
        QTest::keyClick(name, Qt::Key_Return);
    });

    ChooseFromFileMenu(session, command);

    QVERIFY(watch->ok());
    QCOMPARE(shownTitle, title);
    QCOMPARE(shownFolder, QDir(DocumentsFolder()).absolutePath());
    QCOMPARE(shownFilters, filters);
    QCOMPARE(selected, filters[0]);
    QCOMPARE(session.messages.texts(), QStringList{message});
    if (save) {
        QCOMPARE(Slurp(folder.filePath(u"out.txt"_qs)),
                 ListAsFile(session, tf::OutputEncoding::Utf8));
    }
}

// A library with gsGetOpenFileName only: it answers the open request, the standard dialog
// the save request.
void FileCommandsTest::dialogLibraryWithOpenOnly() {
    QTemporaryDir folder;
    const QString input = folder.filePath(u"input.txt"_qs);
    Store(input, kHead + "ふじさん\t富士山\t地名\r\n");
    SetDialogLibraryCandidates(std::vector<std::string>{WK_GSGETFILE_OPEN_ONLY});
    qputenv("WK_TEST_GSGETFILE_ANSWER", QFile::encodeName(input));
    Session session(SampleWords());
    QVERIFY(session.Start());
    DialogAnswer answer(0);

    ChooseFromFileMenu(session, cmd::kBulkRegister);
    QCOMPARE(answer.requests.size(), std::size_t{0});
    QCOMPARE(session.messages.texts(), QStringList{Filled(tf::msg::kSummary, {1, 1, 0})});
    QCOMPARE(session.model().rowCount(), 13);

    ChooseFromFileMenu(session, cmd::kExportText);
    QCOMPARE(answer.requests.size(), std::size_t{1});
    QCOMPARE(session.messages.texts().size(), 1);
}

WK_MANAGER_TEST_MAIN(FileCommandsTest)

#include "file_commands_test.moc"
