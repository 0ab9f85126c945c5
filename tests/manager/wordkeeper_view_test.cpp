// The manager's window driven through its menus, keys and dialogs.
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>

#include <chrono>
#include <thread>

#include "core/word_checks.h"
#include "manager/find_reading_dlg.h"
#include "manager/word_edit_dlg.h"
#include "manager_test_support.h"

using namespace wk;
using namespace wk::testing;

namespace {

QString Q(std::u16string_view text) { return ToQString(text); }

}  // namespace

class WordkeeperViewTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QuietPlatformNotes(); }
    void init() { SharedSettings().clear(); }
    void cleanup() { CloseAllModals(); }
    void startup_data();
    void startup();
    void headerTaps_data();
    void headerTaps();
    void wordChecks_data();
    void wordChecks();
    void changeWord_data();
    void changeWord();
    void deleteSelected_data();
    void deleteSelected();
    void deleteCancelledFromProgress();
    void find_data();
    void find();
    void selection();
    void contextMenu_data();
    void contextMenu();
    void quickAddNote();
    void waitCursorAndIncompleteRead();
};

void WordkeeperViewTest::startup_data() {
    // Stored widths of the three columns (invalid: none stored; -1000 the list's client
    // width, -2000 one pixel more) and the widths used (-1: the client width).
    QTest::addColumn<QVariantList>("stored");
    QTest::addColumn<QList<int>>("used");
    const QVariant none;
    QTest::newRow("nothing stored") << QVariantList{none, none, none} << QList<int>{80, 79, 66};
    // The rule for each width is the core's; here, that the list's own width is the limit
    // and that the list lets a column be as narrow as the rule allows.
    QTest::newRow("client width, 10, not a number")
        << QVariantList{-1000, 10, u"wide"_qs} << QList<int>{-1, 10, 66};
    QTest::newRow("one more than the client width")
        << QVariantList{-2000, none, none} << QList<int>{80, 79, 66};
}

void WordkeeperViewTest::startup() {
    QFETCH(QVariantList, stored);
    QFETCH(QList<int>, used);
    int client = 0;
    {
        Session probe;
        QVERIFY(probe.Start());
        client = probe.view().viewport()->width();
    }
    SharedSettings().clear();
    StoreSetting(u"TermReadAdd"_qs, u"left over"_qs);
    for (int column = 0; column < 3; ++column) {
        QVariant value = stored[column];
        if (value == QVariant(-1000)) value = client;
        if (value == QVariant(-2000)) value = client + 1;
        if (value.isValid()) StoreSetting(u"ColumnWidth%1"_qs.arg(column), value);
    }
    Session session(SampleWords());
    QVERIFY(session.Start());
    // The last column takes the room the others leave.
    QHeaderView* header = session.view().horizontalHeader();
    for (int column = 0; column < 2; ++column)
        QCOMPARE(header->sectionSize(column), used[column] == -1 ? client : used[column]);
    QVERIFY(header->sectionSize(2) >= used[2]);
    QCOMPARE(header->sectionPosition(2) + header->sectionSize(2),
             std::max(header->length(), session.view().viewport()->width()));
    QCOMPARE(StoredSetting(u"TermChange"_qs).toInt(), 0);
    for (const QString& name : {u"TermReadAdd"_qs, u"TermWordAdd"_qs, u"TermPOSAdd"_qs})
        QVERIFY2(StoredSetting(name) == QVariant(QString()), qPrintable(name));
    QCOMPARE(session.Headers(), (QStringList{u"読み△"_qs, u"語句"_qs, u"品詞"_qs}));
    QCOMPARE(session.Column(1).first(), u"海"_qs);
    QCOMPARE(session.Column(1).last(), u"山"_qs);
    QVERIFY(session.MatchesIme());

    // The widths as they are at exit are what the next start reads.
    header->resizeSection(0, 101);
    const int last = header->sectionSize(2);
    session.action(cmd::kAppExit)->trigger();
    QVERIFY(!session.frame().isVisible());
    QCOMPARE(StoredSetting(u"ColumnWidth0"_qs).toInt(), 101);
    QCOMPARE(StoredSetting(u"ColumnWidth2"_qs).toInt(), last);
}

void WordkeeperViewTest::headerTaps_data() {
    QTest::addColumn<QList<int>>("taps");  // -1: F5, the refresh command
    QTest::addColumn<QStringList>("headers");
    QTest::addColumn<int>("orderedBy");
    QTest::addColumn<bool>("ascending");
    // The titles' sequence itself is the core's; here, that taps and the refresh reach it.
    QTest::newRow("direction carries over")
        << QList<int>{0, 1} << QStringList{u"読み"_qs, u"単語▽"_qs, u"品詞"_qs} << 1 << false;
    QTest::newRow("refresh orders by reading")
        << QList<int>{1, -1} << QStringList{u"読み"_qs, u"単語△"_qs, u"品詞"_qs} << 0 << true;
}

void WordkeeperViewTest::headerTaps() {
    QFETCH(QList<int>, taps);
    QFETCH(QStringList, headers);
    QFETCH(int, orderedBy);
    QFETCH(bool, ascending);
    Session session(SampleWords());
    QVERIFY(session.Start());
    QHeaderView* header = session.view().horizontalHeader();
    for (int tap : taps) {
        if (tap < 0) {
            QTest::keyClick(&session.view(), Qt::Key_F5);
        } else {
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(tap) + 4, 5));
        }
    }
    QCOMPARE(session.Headers(), headers);
    QStringList sorted = session.Column(orderedBy);
    std::sort(sorted.begin(), sorted.end());
    if (!ascending) std::reverse(sorted.begin(), sorted.end());
    QCOMPARE(session.Column(orderedBy), sorted);
    QVERIFY(!header->isSortIndicatorShown());
}

void WordkeeperViewTest::wordChecks_data() {
    QTest::addColumn<QString>("reading");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("message");  // empty: registered
    const QString sixty(60, u'あ'), sixtyOne(61, u'あ');
    QTest::newRow("reading empty") << QString() << u"語"_qs << Q(msg::kReadingEmpty);
    QTest::newRow("word of 61") << u"よみ"_qs << sixtyOne << Q(msg::kTooLong);
    QTest::newRow("reading of 61") << sixtyOne << u"語"_qs << Q(msg::kTooLong);
    QTest::newRow("60 and 60") << sixty << sixty << QString();
    QTest::newRow("refused") << u"よみ"_qs << u"拒否"_qs << Q(msg::kCannotRegister);
}

void WordkeeperViewTest::wordChecks() {
    QFETCH(QString, reading);
    QFETCH(QString, word);
    QFETCH(QString, message);
    const bool registered = message.isEmpty();
    Session session(SampleWords());
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
    if (!registered) {
        QCOMPARE(session.messages.requests[0].caption, u"確認"_qs);
        QCOMPARE(session.messages.requests[0].kind, MessageKind::Notice);
    }
    QCOMPARE(fieldsAfter, registered ? u"|"_qs : reading + u"|"_qs + word);
    QCOMPARE(enabledAfter, !registered);
    QCOMPARE(posAfter, u"地名"_qs);
    // New words land at the top, the latest first.
    QCOMPARE(session.Column(1).mid(0, 2), (QStringList{u"神戸"_qs, registered ? word : u"海"_qs}));
    QCOMPARE(session.Cell(0, 2), u"地名"_qs);
    QCOMPARE(session.model().rowCount(), registered ? 14 : 13);
    QVERIFY(session.MatchesIme());
}

void WordkeeperViewTest::changeWord_data() {
    QTest::addColumn<QString>("opener");       // menu, double-click or Enter
    QTest::addColumn<QStringList>("refused");  // "-word": removal refused, "+word": registration
    QTest::addColumn<bool>("cancel");          // ｷｬﾝｾﾙ at once instead of 登録
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("shown");  // the word at the row afterwards
    const QString changed = u"京の都"_qs, old = u"京都"_qs;
    QTest::newRow("accepted") << u"menu"_qs << QStringList{} << false << QStringList{} << changed;
    QTest::newRow("double-click") << u"double-click"_qs << QStringList{} << false << QStringList{}
                                  << changed;
    QTest::newRow("Enter") << u"Enter"_qs << QStringList{} << false << QStringList{} << changed;
    QTest::newRow("cancelled") << u"menu"_qs << QStringList{} << true << QStringList{} << old;
    // A change is one operation: whichever step is refused, the change is.
    QTest::newRow("removal refused") << u"menu"_qs << QStringList{u"-京都"_qs} << false
                                     << QStringList{Q(msg::kCannotRegister)} << old;
    QTest::newRow("new word refused, old put back")
        << u"menu"_qs << QStringList{u"+京の都"_qs} << false << QStringList{Q(msg::kCannotRegister)}
        << old;
    // Nor can the old word be put back: the list is read again and no longer has it.
    QTest::newRow("new word refused, old lost")
        << u"menu"_qs << QStringList{u"+京の都"_qs, u"+京都"_qs} << false
        << QStringList{Q(msg::kCannotRegister)} << u"佐藤"_qs;
}

void WordkeeperViewTest::changeWord() {
    QFETCH(QString, opener);
    QFETCH(QStringList, refused);
    QFETCH(bool, cancel);
    QFETCH(QStringList, messages);
    QFETCH(QString, shown);
    Session session(SampleWords());
    for (const QString& entry : refused)
        (entry[0] == u'-' ? session.ime.refuseUnregister : session.ime.refuseRegister)
            .insert(ToU16(entry.mid(1)));
    QVERIFY(session.Start());
    const int row = 4;  // きょうと 京都
    session.Focus(row);
    QString closeText;
    bool openAfterRegister = false;
    auto watch = WhenModal<CWordEditDlg>([&](CWordEditDlg* dialog) {
        closeText = Child<QPushButton>(dialog, "closeButton")->text();
        if (!cancel) {
            Child(dialog, "wordEdit")->setText(u"京の都"_qs);
            Press(dialog, "registerButton");
            openAfterRegister = dialog->isVisible();
        }
        if (dialog->isVisible()) Press(dialog, "closeButton");
    });
    if (opener == u"menu"_qs) {
        session.action(cmd::kChangeWord)->trigger();
    } else if (opener == u"Enter"_qs) {
        QTest::keyClick(&session.view(), Qt::Key_Return);
    } else {
        QTest::mouseDClick(session.view().viewport(), Qt::LeftButton, {}, session.RowCenter(row));
    }
    QVERIFY(watch->ok());
    QCOMPARE(closeText, u"ｷｬﾝｾﾙ"_qs);
    QCOMPARE(session.messages.texts(), messages);
    QCOMPARE(openAfterRegister, !messages.isEmpty());
    QCOMPARE(session.Cell(row, 1), shown);
    QVERIFY(session.MatchesIme());
    if (cancel) QVERIFY(session.ime.calls.empty());

    // A double-click below the last row opens nothing.
    auto none = WhenModal<QDialog>([](QDialog* dialog) { dialog->done(0); }, 300);
    QTest::mouseDClick(session.view().viewport(), Qt::LeftButton, {},
                       QPoint(5, session.view().viewport()->height() - 3));
    QVERIFY(!none->ran);
}

void WordkeeperViewTest::deleteSelected_data() {
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<QString>("refused");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QStringList>("messages");  // after the question
    QTest::addColumn<int>("lostInBatch");       // -1: the input method has no batch
    const QList<int> rows{2, 5, 9};             // 皮, 佐藤, 橋
    const QStringList all{u"-橋"_qs, u"-佐藤"_qs, u"-皮"_qs};
    const QStringList refusal{Q(msg::kCannotDelete)};
    QTest::newRow("three rows") << rows << QString() << true << all << QStringList{} << -1;
    QTest::newRow("refusal in the middle")
        << rows << u"佐藤"_qs << true << QStringList{u"-橋"_qs, u"-佐藤"_qs} << refusal << -1;
    QTest::newRow("refusal at once")
        << rows << u"橋"_qs << true << QStringList{u"-橋"_qs} << refusal << -1;
    QTest::newRow("answered No") << rows << QString() << false << QStringList{} << QStringList{}
                                 << -1;
    QTest::newRow("in one batch") << rows << QString() << true << all << QStringList{} << 0;
    // Which removals the batch could not keep is not known: the list is read again.
    QTest::newRow("a batch that keeps less") << rows << QString() << true << all << refusal << 1;
}

void WordkeeperViewTest::deleteSelected() {
    QFETCH(QList<int>, selected);
    QFETCH(QString, refused);
    QFETCH(bool, answer);
    QFETCH(QStringList, calls);
    QFETCH(QStringList, messages);
    QFETCH(int, lostInBatch);
    Session session(SampleWords());
    session.ime.refuseUnregister.insert(ToU16(refused));
    if (lostInBatch >= 0) session.ime.lostInBatch = lostInBatch;
    session.messages.answer = answer;
    QVERIFY(session.Start());
    QStringList expected = session.Column(1);
    session.Select(selected);
    session.Focus(5);
    QTest::keyClick(&session.view(), Qt::Key_Delete);

    const MessageRequest question = session.messages.requests.at(0);
    QCOMPARE(question.kind, MessageKind::Question);
    QCOMPARE(question.caption, u"確認"_qs);
    QCOMPARE(question.text, u"選択された単語を削除してよろしいですか?"_qs);
    QCOMPARE(session.messages.texts().mid(1), messages);
    QStringList made;
    for (const std::u16string& call : session.ime.calls) made << Q(call);
    QCOMPARE(made, calls);
    for (const QString& call : calls) {
        if (call.mid(1) != refused) expected.removeOne(call.mid(1));
    }
    QCOMPARE(session.Column(1), expected);
    QVERIFY(session.MatchesIme());
    QCOMPARE(session.ime.enumerations, lostInBatch > 0 ? 2 : 1);
    QCOMPARE(session.SelectedRows().isEmpty(), answer);
    QCOMPARE(session.view().currentIndex().row(), 5);  // the focus keeps its place
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

// A long deletion shows its progress; a cancel ends it behind the current word, what went
// stays gone and the list shows exactly what the input method holds.
void WordkeeperViewTest::deleteCancelledFromProgress() {
    std::vector<FakeIme::Word> words;
    for (int i = 0; i < 400; ++i) words.push_back({u"よみ", 1, u"語" + ToU16(QString::number(i))});
    Session session(std::move(words));
    session.ime.beforeUnregister = [](const FakeIme::Word&) {
        std::this_thread::sleep_for(std::chrono::milliseconds(4));
    };
    QVERIFY(session.Start());
    session.action(cmd::kSelectAll)->trigger();
    QString texts;
    auto watch = WhenModal<QProgressDialog>([&](QProgressDialog* progress) {
        texts = progress->windowTitle() + u"|"_qs + progress->labelText();
        QTest::mouseClick(progress->findChild<QPushButton*>(u"buttonCancel"_qs), Qt::LeftButton);
    });
    session.action(cmd::kDeleteWords)->trigger();

    QVERIFY(watch->ok());
    QVERIFY2(texts.startsWith(u"単語の削除|"_qs) && texts.endsWith(u" 個の単語を削除しました"_qs),
             qPrintable(texts));
    const auto removed = static_cast<int>(session.ime.calls.size());
    QVERIFY(removed > 0 && removed < 400);
    QCOMPARE(session.model().rowCount(), 400 - removed);
    QVERIFY(session.MatchesIme());
    QCOMPARE(session.messages.texts().mid(1), QStringList{});
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

void WordkeeperViewTest::find_data() {
    QTest::addColumn<QString>("typed");  // empty: typed and deleted again
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<bool>("multiSelect");
    QTest::addColumn<QList<int>>("selectedAfter");
    QTest::addColumn<bool>("notFound");
    const QList<int> before{3, 7};
    QTest::newRow("first row") << u"うみ"_qs << false << false << QList<int>{0} << false;
    QTest::newRow("last row") << u"やま"_qs << false << false << QList<int>{11} << false;
    QTest::newRow("shared reading: the upper")
        << u"かわ"_qs << false << false << QList<int>{2} << false;
    QTest::newRow("prefix only") << u"か"_qs << false << false << QList<int>{} << true;
    QTest::newRow("kana kind counts") << u"ウミ"_qs << false << false << QList<int>{} << true;
    QTest::newRow("empty text") << QString() << false << false << before << false;
    QTest::newRow("cancelled") << u"うみ"_qs << true << false << before << false;
    QTest::newRow("multiple selection") << u"そら"_qs << false << true << QList<int>{6} << false;
}

void WordkeeperViewTest::find() {
    QFETCH(QString, typed);
    QFETCH(bool, cancel);
    QFETCH(bool, multiSelect);
    QFETCH(QList<int>, selectedAfter);
    QFETCH(bool, notFound);
    Session session(SampleWords());
    QVERIFY(session.Start());
    if (multiSelect) session.action(cmd::kMultiSelect)->trigger();
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
    QVERIFY(watch->ok());
    QVERIFY(!enabledAtStart && enabledAfterTyping);
    QCOMPARE(session.SelectedRows(), selectedAfter);
    if (selectedAfter.size() == 1) QCOMPARE(session.view().currentIndex().row(), selectedAfter[0]);
    QCOMPARE(session.messages.texts(), notFound ? QStringList{Q(msg::kNotFound)} : QStringList{});
    if (notFound) QCOMPARE(session.messages.requests[0].caption, u"確認"_qs);
}

void WordkeeperViewTest::selection() {
    Session session(SampleWords());
    QVERIFY(session.Start());
    QWidget* rows = session.view().viewport();
    QAction* multi = session.action(cmd::kMultiSelect);
    multi->trigger();
    QVERIFY(multi->isChecked());
    for (int row : {1, 4, 8, 4})
        QTest::mouseClick(rows, Qt::LeftButton, {}, session.RowCenter(row));
    QCOMPARE(session.SelectedRows(), (QList<int>{1, 8}));
    multi->trigger();
    QVERIFY(!multi->isChecked());
    QTest::mouseClick(rows, Qt::LeftButton, {}, session.RowCenter(5));
    QCOMPARE(session.SelectedRows(), QList<int>{5});

    // Change follows the focused row, delete the selection.
    session.view().selectionModel()->clearCurrentIndex();
    QTest::keyClick(&session.view(), Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(session.SelectedRows().size(), 12);
    QVERIFY(session.action(cmd::kDeleteWords)->isEnabled());
    QVERIFY(!session.action(cmd::kChangeWord)->isEnabled());
    session.Focus(3);
    QVERIFY(session.action(cmd::kChangeWord)->isEnabled());
}

void WordkeeperViewTest::contextMenu_data() {
    QTest::addColumn<QString>("how");  // right click or long press
    QTest::addColumn<bool>("onRow");
    QTest::newRow("right click on a row") << u"right"_qs << true;
    QTest::newRow("right click below the rows") << u"right"_qs << false;
    QTest::newRow("long press on a row") << u"long"_qs << true;
}

void WordkeeperViewTest::contextMenu() {
    QFETCH(QString, how);
    QFETCH(bool, onRow);
    Session session(SampleWords());
    QVERIFY(session.Start());
    session.view().selectionModel()->clearCurrentIndex();
    QWidget* rows = session.view().viewport();
    const QPoint at = onRow ? session.RowCenter(2) : QPoint(5, rows->height() - 3);
    QStringList items;
    bool change = false, remove = false;
    auto watch = WhenModal<QMenu>([&](QMenu* menu) {
        for (QAction* action : menu->actions())
            items << (action->isSeparator() ? u"-"_qs : action->text());
        change = session.action(cmd::kChangeWord)->isEnabled();
        remove = session.action(cmd::kDeleteWords)->isEnabled();
        if (onRow && how == u"right"_qs) {
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
    } else {
        // The press selects the row under it, then the menu is asked for.
        QTest::mouseClick(rows, Qt::RightButton, {}, at);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, rows->mapToGlobal(at));
        QApplication::sendEvent(rows, &event);
    }
    QVERIFY(watch->ok());
    QCOMPARE(items, (QStringList{u"新規登録..."_qs, u"変更..."_qs, u"削除..."_qs, u"-"_qs,
                                 u"全てを選択"_qs}));
    QCOMPARE(change, onRow);
    QCOMPARE(remove, onRow);
    const bool deleted = onRow && how == u"right"_qs;
    QCOMPARE(session.Column(1).contains(u"皮"_qs), !deleted);
    QVERIFY(session.MatchesIme());
}

void WordkeeperViewTest::quickAddNote() {
    // A note left while the manager was not running: the first load has the word.
    StoreSetting(u"TermChange"_qs, 5);
    Session session(SampleWords());
    QVERIFY(session.Start());
    QCOMPARE(StoredSetting(u"TermChange"_qs).toInt(), 0);
    QCOMPARE(session.ime.enumerations, 1);

    // Another program registers a word and leaves the note while the manager is in the
    // background: the next activation reloads, once.
    QWidget other;
    other.show();
    QVERIFY(Activate(other));
    session.ime.words.push_back({u"あおもり", 3, u"青森"});
    QCOMPARE(QProcess::execute(QCoreApplication::applicationFilePath(), {u"--leave-note"_qs}), 0);
    QVERIFY(Activate(session.frame()));
    QTRY_COMPARE(session.ime.enumerations, 2);
    QCOMPARE(session.Cell(0, 1), u"青森"_qs);
    QCOMPARE(StoredSetting(u"TermChange"_qs).toInt(), 0);
    QVERIFY(Activate(other) && Activate(session.frame()));
    QCOMPARE(session.ime.enumerations, 2);

    // A note that comes while a word is being changed waits for the dialog: reloading then
    // would move the row that the dialog changes.
    session.Focus(5);  // 京都
    int enumerationsWhileOpen = 0;
    auto watch = WhenModal<CWordEditDlg>([&](CWordEditDlg* dialog) {
        session.ime.words.push_back({u"ああ", 1, u"嗚呼"});
        StoreSetting(u"TermChange"_qs, 1);
        emit session.frame().activated();
        enumerationsWhileOpen = session.ime.enumerations;
        Child(dialog, "wordEdit")->setText(u"京の都"_qs);
        Press(dialog, "registerButton");
    });
    session.action(cmd::kChangeWord)->trigger();
    QVERIFY(watch->ok());
    QCOMPARE(enumerationsWhileOpen, 2);
    QCOMPARE(session.ime.enumerations, 3);
    QCOMPARE(session.model().rowCount(), 14);
    QVERIFY(session.MatchesIme());
    QVERIFY(session.ime.Has({u"きょうと", 3, u"京の都"}));
}

void WordkeeperViewTest::waitCursorAndIncompleteRead() {
    Session session(SampleWords());
    session.ime.failEnumeration = true;
    QVERIFY(session.Start());
    QCOMPARE(session.model().rowCount(), 12);
    QCOMPARE(session.messages.texts(), QStringList{u"辞書の単語を最後まで読み込めませんでした"_qs});
    // However often it is shown, one restore brings the normal cursor back.
    session.view().ShowWaitCursor();
    session.view().ShowWaitCursor();
    QVERIFY(QGuiApplication::overrideCursor() != nullptr);
    session.view().RestoreCursor();
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

// With --leave-note the test program plays the quick-add program: it leaves the note from
// a process of its own, in the settings folder it inherits.
int main(int argc, char** argv) {
    if (argc == 2 && std::string_view(argv[1]) == "--leave-note") {
        QCoreApplication app(argc, argv);
        QtSettingsStore store;
        return LeaveQuickAddNote(store) ? 0 : 1;
    }
    PrepareGuiTestEnvironment();
    CWordkeeperApp app(argc, argv, ManagerProgramInfo());
    WordkeeperViewTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "wordkeeper_view_test.moc"
