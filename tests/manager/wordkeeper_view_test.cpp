// SPDX-License-Identifier: MIT
// The manager's window driven through its menus, keys and dialogs, and where it is placed;
// the File menu's commands with the file request answered by the test or in Qt's dialog.
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QProgressDialog>
#include <QTemporaryDir>

#include <optional>
#include <thread>

#include "core/messages.h"
#include "manager/file_dialogs.h"
#include "manager/find_reading_dlg.h"
#include "manager/word_edit_dlg.h"
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

class WordkeeperViewTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QuietPlatformNotes(); }
    void init() {
        SharedSettings().clear();
        SetDialogLibraryCandidates(std::vector<std::string>{});
    }
    void cleanup() { CloseAllModals(); }
    void start();
    void headerSort_data();
    void headerSort();
    void registerWord_data();
    void registerWord();
    void changeWord_data();
    void changeWord();
    void deleteSelected_data();
    void deleteSelected();
    void find_data();
    void find();
    void selection();
    void contextMenu_data();
    void contextMenu();
    void modelFollowsTheStore();
    void placement_data();
    void placement();
    void fileCommands_data();
    void fileCommands();
    void cancelFromProgress_data();
    void cancelFromProgress();
};

void WordkeeperViewTest::start() {
    StoreSetting(u"TermChange"_qs, 5);
    StoreSetting(u"TermReadAdd"_qs, u"left over"_qs);
    Session session;
    session.ime.failEnumeration = true;
    QVERIFY(session.Start());
    QCOMPARE(session.messages.texts(), QStringList{ToQString(msg::kIncompleteRead)});
    QHeaderView* header = session.view().horizontalHeader();
    QCOMPARE(session.Headers(), (QStringList{u"読み△"_qs, u"語句"_qs, u"品詞"_qs}));
    // A note left while the manager was not running: the first load has the word.
    QCOMPARE(session.ime.enumerations, 1);
    QCOMPARE(StoredSetting(u"TermChange"_qs).toInt(), 0);
    for (const QString& name : {u"TermReadAdd"_qs, u"TermWordAdd"_qs, u"TermPOSAdd"_qs})
        QVERIFY2(StoredSetting(name) == QVariant(QString()), qPrintable(name));

    header->resizeSection(0, 101);
    session.action(cmd::kAppExit)->trigger();
    for (int column = 0; column < 3; ++column)
        QCOMPARE(StoredSetting(u"ColumnWidth%1"_qs.arg(column)).toInt(),
                 header->sectionSize(column));
}

void WordkeeperViewTest::headerSort_data() {
    QTest::addColumn<QStringList>("selected");  // words; "*" for all
    QTest::addColumn<QString>("focused");
    QTest::addColumn<QList<int>>("taps");
    QTest::addColumn<QString>("sortedBy");  // the title with the arrow
    // The order is the core's; here, that selection and focus stay with their words.
    QTest::newRow("by word") << QStringList{u"川"_qs, u"佐藤"_qs} << u"佐藤"_qs << QList<int>{1}
                             << u"単語△"_qs;
    QTest::newRow("reversed") << QStringList{u"山"_qs, u"海"_qs} << u"海"_qs << QList<int>{0}
                              << u"読み▽"_qs;
    QTest::newRow("one of a shared reading")
        << QStringList{u"皮"_qs} << u"皮"_qs << QList<int>{2, 0} << u"読み△"_qs;
    QTest::newRow("far out of sight")
        << QStringList{u"語1299"_qs} << u"語1299"_qs << QList<int>{1} << u"単語△"_qs;
    QTest::newRow("all, direction carries over")
        << QStringList{u"*"_qs} << u"京都"_qs << QList<int>{0, 1} << u"単語▽"_qs;
    QTest::newRow("focus only") << QStringList{} << u"空"_qs << QList<int>{2} << u"品詞△"_qs;
}

void WordkeeperViewTest::headerSort() {
    QFETCH(QStringList, selected);
    QFETCH(QString, focused);
    QFETCH(QList<int>, taps);
    QFETCH(QString, sortedBy);
    // The sample words and enough others that a sort moves a word out of sight.
    Session session;
    for (int i = 1000; i < 1300; ++i)
        session.ime.words.push_back(
            {u"ん" + ToU16(QString::number(i)), 1, u"語" + ToU16(QString::number(i))});
    QVERIFY(session.Start());
    if (selected == QStringList{u"*"_qs}) {
        QTest::keyClick(&session.view(), Qt::Key_A, Qt::ControlModifier);
        selected = session.Column(1);
    }
    QList<int> rows;
    for (const QString& word : selected) rows << session.Column(1).indexOf(word);
    session.Select(rows);
    session.Focus(session.Column(1).indexOf(focused));

    for (int column : taps) session.TapHeader(column);

    QVERIFY2(session.Headers().contains(sortedBy), qPrintable(session.Headers().join(u' ')));
    QStringList kept;
    for (int row : session.SelectedRows()) kept << session.Cell(row, 1);
    kept.sort();
    selected.sort();
    QCOMPARE(kept, selected);
    const QModelIndex current = session.view().currentIndex();
    QCOMPARE(session.Cell(current.row(), 1), focused);
    QVERIFY(session.view().viewport()->rect().contains(session.view().visualRect(current)));
}

void WordkeeperViewTest::registerWord_data() {
    QTest::addColumn<QString>("reading");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("message");  // empty: registered
    const QString sixty(60, u'あ');
    QTest::newRow("60 and 60") << sixty << sixty << QString();
    QTest::newRow("reading of 61") << sixty + u"あ"_qs << u"語"_qs << ToQString(msg::kTooLong);
    QTest::newRow("refused") << u"よみ"_qs << u"拒否"_qs << ToQString(msg::kCannotRegister);
}

void WordkeeperViewTest::registerWord() {
    QFETCH(QString, reading);
    QFETCH(QString, word);
    QFETCH(QString, message);
    const bool registered = message.isEmpty();
    Session session;
    session.ime.refuseRegister.insert(u"拒否");
    QVERIFY(session.Start());
    bool enabledAfter = true;
    QString fieldsAfter, posAfter;
    auto watch = WhenModal<CWordEditDlg>([&](CWordEditDlg* dialog) {
        Child<QComboBox>(dialog, "posCombo")->setCurrentIndex(2);
        TypeAndRegister(dialog, reading, word);
        enabledAfter = Child<QPushButton>(dialog, "registerButton")->isEnabled();
        fieldsAfter =
            Child(dialog, "readingEdit")->text() + u"|"_qs + Child(dialog, "wordEdit")->text();
        // The dialog stays open for the next word, whichever way this one went.
        TypeAndRegister(dialog, u"こうべ"_qs, u"神戸"_qs);
        posAfter = Child<QComboBox>(dialog, "posCombo")->currentText();
        Press(dialog, "closeButton");
    });
    QTest::keyClick(&session.view(), Qt::Key_N, Qt::ControlModifier);
    QVERIFY(watch->ok());
    QCOMPARE(session.messages.texts(), registered ? QStringList() : QStringList{message});
    QCOMPARE(fieldsAfter, registered ? u"|"_qs : reading + u"|"_qs + word);
    QCOMPARE(enabledAfter, !registered);
    QCOMPARE(posAfter, u"地名"_qs);
    // New words land at the top, the latest first.
    QCOMPARE(session.Column(1).mid(0, 2), (QStringList{u"神戸"_qs, registered ? word : u"海"_qs}));
    QCOMPARE(session.Cell(0, 2), u"地名"_qs);
    QCOMPARE(session.Status(), u"%1 個の単語"_qs.arg(registered ? 14 : 13));
    QVERIFY(session.MatchesIme());
}

void WordkeeperViewTest::changeWord_data() {
    QTest::addColumn<QString>("opener");       // note: a quick-add note comes while it is open
    QTest::addColumn<QStringList>("refused");  // words the input method will not register
    QTest::addColumn<QString>("shown");        // the word at the row afterwards
    QTest::addColumn<int>("reads");  // of the words, by the first load, the dialog or a reload
    const QString changed = u"京の都"_qs, old = u"京都"_qs, menu = u"menu"_qs;
    QTest::newRow("double-click") << u"double-click"_qs << QStringList{} << changed << 1;
    QTest::newRow("Enter") << u"Enter"_qs << QStringList{} << changed << 1;
    QTest::newRow("cancelled") << u"cancel"_qs << QStringList{} << old << 1;
    // The note waits for the dialog: reloading sooner would move the row it changes.
    QTest::newRow("a note meanwhile") << u"note"_qs << QStringList{} << changed << 2;
    // A change is one operation: refused, the old word stays.
    QTest::newRow("new word refused, old put back")
        << menu << QStringList{u"京の都"_qs} << old << 2;
    // Nor can the old word be put back: the list is read again and no longer has it.
    QTest::newRow("new word refused, old lost")
        << menu << QStringList{u"京の都"_qs, u"京都"_qs} << u"佐藤"_qs << 3;
}

void WordkeeperViewTest::changeWord() {
    QFETCH(QString, opener);
    QFETCH(QStringList, refused);
    QFETCH(QString, shown);
    QFETCH(int, reads);
    Session session;
    for (const QString& word : refused) session.ime.refuseRegister.insert(ToU16(word));
    QVERIFY(session.Start());
    const int row = 4;  // きょうと 京都
    session.Focus(row);
    bool openAfterRegister = false;
    int readsWhileOpen = 0;
    auto watch = WhenModal<CWordEditDlg>([&](CWordEditDlg* dialog) {
        if (opener == u"note"_qs) {
            StoreSetting(u"TermChange"_qs, 1);
            emit session.frame().activated();
        }
        readsWhileOpen = session.ime.enumerations;
        if (opener != u"cancel"_qs) {
            Child(dialog, "wordEdit")->setText(u"京の都"_qs);
            Press(dialog, "registerButton");
            openAfterRegister = dialog->isVisible();
        }
        if (dialog->isVisible()) Press(dialog, "closeButton");
    });
    if (opener == u"Enter"_qs) {
        QTest::keyClick(&session.view(), Qt::Key_Return);
    } else if (opener == u"double-click"_qs) {
        QTest::mouseDClick(session.view().viewport(), Qt::LeftButton, {}, session.RowCenter(row));
    } else {
        session.action(cmd::kChangeWord)->trigger();
    }
    QVERIFY(watch->ok());
    QCOMPARE(session.messages.texts(),
             refused.isEmpty() ? QStringList() : QStringList{ToQString(msg::kCannotRegister)});
    QCOMPARE(openAfterRegister, !refused.isEmpty());
    QCOMPARE(session.Cell(row, 1), shown);
    QVERIFY(session.MatchesIme());
    QCOMPARE(readsWhileOpen, 1);
    QCOMPARE(session.ime.enumerations, reads);
    if (opener == u"cancel"_qs) QVERIFY(session.ime.calls.empty());
}

void WordkeeperViewTest::deleteSelected_data() {
    QTest::addColumn<QString>("refused");
    QTest::addColumn<bool>("answer");        // to the question
    QTest::addColumn<int>("lostInBatch");    // -1: the input method has no batch
    QTest::addColumn<QStringList>("calls");  // rows 2, 5 and 9 are selected: 皮, 佐藤, 橋
    const QStringList all{u"-橋"_qs, u"-佐藤"_qs, u"-皮"_qs};
    QTest::newRow("refusal in the middle")
        << u"佐藤"_qs << true << -1 << QStringList{u"-橋"_qs, u"-佐藤"_qs};
    QTest::newRow("answered No") << QString() << false << -1 << QStringList{};
    QTest::newRow("in one batch") << QString() << true << 0 << all;
    // Which removals the batch could not keep is not known: the list is read again.
    QTest::newRow("a batch that keeps less") << QString() << true << 1 << all;
}

void WordkeeperViewTest::deleteSelected() {
    QFETCH(QString, refused);
    QFETCH(bool, answer);
    QFETCH(int, lostInBatch);
    QFETCH(QStringList, calls);
    const bool refusal = !refused.isEmpty() || lostInBatch > 0;  // told after the question
    Session session;
    session.ime.refuseUnregister.insert(ToU16(refused));
    if (lostInBatch >= 0) session.ime.lostInBatch = lostInBatch;
    session.messages.answer = answer;
    QVERIFY(session.Start());
    QStringList expected = session.Column(1);
    session.Select({2, 5, 9});
    session.Focus(5);
    QTest::keyClick(&session.view(), Qt::Key_Delete);

    QCOMPARE(session.messages.texts().mid(1),
             refusal ? QStringList{ToQString(msg::kCannotDelete)} : QStringList());
    QStringList made;
    for (const std::u16string& call : session.ime.calls) made << ToQString(call);
    QCOMPARE(made, calls);
    for (const QString& call : calls) {
        if (call.mid(1) != refused) expected.removeOne(call.mid(1));
    }
    QCOMPARE(session.Column(1), expected);
    QVERIFY(session.MatchesIme());
    QCOMPARE(session.Status(), u"%1 個の単語"_qs.arg(expected.size()));
    QCOMPARE(session.ime.enumerations, lostInBatch > 0 ? 2 : 1);
    QCOMPARE(session.SelectedRows().isEmpty(), answer);
    QCOMPARE(session.view().currentIndex().row(), 5);  // the focus keeps its place
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

void WordkeeperViewTest::find_data() {
    QTest::addColumn<QString>("typed");  // empty: typed and deleted again
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<int>("presses");          // of F3, find next
    QTest::addColumn<QList<int>>("selected");  // none: not found
    const QList<int> before{3, 7};
    QTest::newRow("first row") << u"うみ"_qs << false << 0 << QList<int>{0};
    QTest::newRow("last row, again") << u"やま"_qs << false << 1 << QList<int>{11};
    QTest::newRow("the second of two") << u"かわ"_qs << false << 1 << QList<int>{3};
    // Back to the upper one: the search starts from the top.
    QTest::newRow("back to the top") << u"かわ"_qs << false << 2 << QList<int>{2};
    QTest::newRow("kana kind counts") << u"ウミ"_qs << false << 0 << QList<int>{};
    QTest::newRow("whole readings only") << u"か"_qs << false << 0 << QList<int>{};
    QTest::newRow("empty text") << QString() << false << 0 << before;
    QTest::newRow("cancelled") << u"うみ"_qs << true << 0 << before;
}

void WordkeeperViewTest::find() {
    QFETCH(QString, typed);
    QFETCH(bool, cancel);
    QFETCH(int, presses);
    QFETCH(QList<int>, selected);
    Session session;
    QVERIFY(session.Start());
    session.Select({3, 7});
    bool enabledAtStart = true, enabledAfterTyping = false;
    auto watch = WhenModal<CFindReadingDlg>([&](CFindReadingDlg* dialog) {
        enabledAtStart = Child<QPushButton>(dialog, "findButton")->isEnabled();
        Child(dialog, "readingEdit")->insert(typed.isEmpty() ? u"あ"_qs : typed);
        if (typed.isEmpty()) Child(dialog, "readingEdit")->clear();
        enabledAfterTyping = Child<QPushButton>(dialog, "findButton")->isEnabled();
        Press(dialog, cancel ? "cancelButton" : "findButton");
    });
    QTest::keyClick(&session.view(), Qt::Key_F, Qt::ControlModifier);
    QVERIFY(watch->ok() && Activate(session.frame()));
    QVERIFY(!enabledAtStart && enabledAfterTyping);
    for (int i = 0; i < presses; ++i) QTest::keyClick(&session.view(), Qt::Key_F3);
    QCOMPARE(session.SelectedRows(), selected);
    if (selected.size() == 1) QCOMPARE(session.view().currentIndex().row(), selected[0]);
    QCOMPARE(session.messages.texts(),
             selected.isEmpty() ? QStringList{ToQString(msg::kNotFound)} : QStringList{});
}

// Change follows the focused row, delete the selection.
void WordkeeperViewTest::selection() {
    Session session;
    QVERIFY(session.Start());
    CWordkeeperView& view = session.view();
    QAction* multi = session.action(cmd::kMultiSelect);
    multi->trigger();
    for (int row : {1, 4, 8, 4})
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, session.RowCenter(row));
    QCOMPARE(session.SelectedRows(), (QList<int>{1, 8}));
    multi->trigger();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, session.RowCenter(5));
    QCOMPARE(session.SelectedRows(), QList<int>{5});
    for (const auto& [key, row] : {std::pair{Qt::Key_End, 11}, std::pair{Qt::Key_Home, 0}}) {
        QTest::keyClick(&view, key);
        QCOMPARE(session.SelectedRows(), QList<int>{row});
        QCOMPARE(view.currentIndex().row(), row);
    }
    view.selectionModel()->clearCurrentIndex();
    QVERIFY(session.action(cmd::kDeleteWords)->isEnabled());
    QVERIFY(!session.action(cmd::kChangeWord)->isEnabled());
    QTest::keyClick(&view, Qt::Key_F5);
    QCOMPARE(session.ime.enumerations, 2);
}

void WordkeeperViewTest::contextMenu_data() {
    QTest::addColumn<QString>("how");  // on row 2 (for the keys: focused)
    QTest::newRow("right click, deleting") << u"right"_qs;
    QTest::newRow("long press") << u"long"_qs;
    QTest::newRow("Shift+F10") << u"Shift+F10"_qs;
    QTest::newRow("menu key") << u"menu key"_qs;
}

void WordkeeperViewTest::contextMenu() {
    QFETCH(QString, how);
    Session session;
    QVERIFY(session.Start());
    session.view().selectionModel()->clearCurrentIndex();
    if (how.contains(u' ') || how.contains(u'+')) {
        session.Select({2});
        session.Focus(2);
    }
    QWidget* rows = session.view().viewport();
    const QPoint at = session.RowCenter(2);
    const bool deleting = how == u"right"_qs;
    bool change = false, remove = false;
    auto watch = WhenModal<QMenu>([&](QMenu* menu) {
        change = session.action(cmd::kChangeWord)->isEnabled();
        remove = session.action(cmd::kDeleteWords)->isEnabled();
        if (deleting) {
            menu->setActiveAction(session.action(cmd::kDeleteWords));
            QTest::keyClick(menu, Qt::Key_Return);
        } else {
            menu->close();
        }
    });
    if (how == u"long"_qs) {
        QTest::mousePress(rows, Qt::LeftButton, {}, at);
        QTRY_VERIFY_WITH_TIMEOUT(watch->ran, 4000);
        QTest::mouseRelease(rows, Qt::LeftButton, {}, at);
    } else if (how == u"Shift+F10"_qs) {
        QTest::keyClick(&session.view(), Qt::Key_F10, Qt::ShiftModifier);
    } else {
        // A right press selects the row under it, then the menu is asked for.
        if (how == u"right"_qs) QTest::mouseClick(rows, Qt::RightButton, {}, at);
        QContextMenuEvent event(
            how == u"right"_qs ? QContextMenuEvent::Mouse : QContextMenuEvent::Keyboard, at,
            rows->mapToGlobal(at));
        QApplication::sendEvent(rows, &event);
    }
    QVERIFY(watch->ok());
    QVERIFY(change && remove);
    QCOMPARE(session.Column(1).contains(u"皮"_qs), !deleting);
    QVERIFY(session.MatchesIme());
}

// Reached only when memory runs out: a word the list could not take leaves no row behind.
void WordkeeperViewTest::modelFollowsTheStore() {
    Session session;  // its model tester checks every signal
    QVERIFY(session.Start());
    const QStringList before = session.Column(1);
    session.model().BeginInsertAtTop();
    session.model().EndInsertAtTop(false);
    QCOMPARE(session.Column(1), before);
}

void WordkeeperViewTest::placement_data() {
    QTest::addColumn<QRect>("stored");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("position");  // (-1, -1): left to the window manager
    const QPoint none(-1, -1);
    // Two screens side by side: 1920x1080 and 1280x1024 to its right.
    QTest::newRow("off every screen") << QRect(5000, 100, 700, 500) << QSize(700, 500) << none;
    QTest::newRow("on the second, larger than any screen")
        << QRect(2000, 100, 4000, 3000) << QSize(1920, 1080) << QPoint(2000, 100);
    QTest::newRow("too small to use") << QRect(10, 10, 20, 20) << QSize(640, 480) << none;
}

void WordkeeperViewTest::placement() {
    QFETCH(QRect, stored);
    QFETCH(QSize, size);
    QFETCH(QPoint, position);
    const WindowPlacement placed =
        PlaceWindow(stored, QSize(640, 480), {QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)});
    QCOMPARE(placed.size, size);
    QCOMPARE(placed.position.value_or(QPoint(-1, -1)), position);
}

void WordkeeperViewTest::fileCommands_data() {
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

void WordkeeperViewTest::fileCommands() {
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

void WordkeeperViewTest::cancelFromProgress_data() {
    QTest::addColumn<int>("command");
    QTest::newRow("bulk registration") << cmd::kBulkRegister;
    QTest::newRow("deletion") << cmd::kDeleteWords;
}

// A cancel from the progress ends a long run behind the current word; what was done stays.
void WordkeeperViewTest::cancelFromProgress() {
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

WK_GUI_TEST_MAIN(WordkeeperViewTest, ManagerProgramInfo())

#include "wordkeeper_view_test.moc"
