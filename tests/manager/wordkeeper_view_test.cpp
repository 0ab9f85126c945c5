// The manager's window driven through its menus, keys and dialogs.
#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include "core/word_checks.h"
#include "manager/find_reading_dlg.h"
#include "manager/word_edit_dlg.h"
#include "manager_test_support.h"

using namespace wk;
using namespace wk::testing;

namespace {

QString Q(std::u16string_view text) { return ToQString(text); }

template <class T>
T* Child(QWidget* parent, const char* name) {
    return parent->findChild<T*>(QString::fromLatin1(name));
}

// Types into the word dialog (an edit, then the final text) and presses 登録.
void TypeAndRegister(QWidget* dialog, const QString& reading, const QString& word) {
    for (const auto& [name, text] : {std::pair{"edit1001", reading}, std::pair{"edit1002", word}}) {
        auto* edit = Child<QLineEdit>(dialog, name);
        edit->insert(u"x"_qs);
        edit->setText(text);
    }
    QTest::mouseClick(Child<QPushButton>(dialog, "button1"), Qt::LeftButton);
}

void Press(QWidget* dialog, const char* button) {
    QTest::mouseClick(Child<QPushButton>(dialog, button), Qt::LeftButton);
}

void ClickHeader(QHeaderView* header, int section) {
    const QPoint at(header->sectionViewportPosition(section) + 4, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

}  // namespace

class WordkeeperViewTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QuietPlatformNotes(); }
    void init() { ClearSettings(); }
    void cleanup() { CloseAllModals(); }

    void startsWithSettingsCleared();
    void startupColumnWidths_data();
    void startupColumnWidths();
    void headerTaps_data();
    void headerTaps();
    void newWordsLandAtTop();
    void wordDialogChecks_data();
    void wordDialogChecks();
    void changeWord_data();
    void changeWord();
    void changeWordWithoutStyleRowOpensNewMode();
    void doubleClick();
    void deleteSelected_data();
    void deleteSelected();
    void find_data();
    void find();
    void findDialogEnabling();
    void multipleSelection();
    void selectAllAndCommandStates();
    void contextMenu_data();
    void contextMenu();
    void longPressOpensContextMenu();
    void keyboardShortcuts_data();
    void keyboardShortcuts();
    void quickAddNote();
    void noteLeftBeforeStartCausesNoSecondLoad();
    void columnWidthsSavedAtExit();
    void waitCursorDoesNotStick();
    void incompleteReadIsReported();
};

void WordkeeperViewTest::startsWithSettingsCleared() {
    StoreSetting(QStringLiteral("TermReadAdd"), QStringLiteral("old"));
    Session session(SampleWords());
    QVERIFY(session.Start());
    QCOMPARE(StoredSetting(QStringLiteral("TermChange")).toInt(), 0);
    for (const char* name : {"TermReadAdd", "TermWordAdd", "TermPOSAdd"}) {
        const QVariant value = StoredSetting(QString::fromLatin1(name));
        QVERIFY2(value.isValid() && value.toString().isEmpty(), name);
    }
    QCOMPARE(session.Headers(), (QStringList{u"読み△"_qs, u"語句"_qs, u"品詞"_qs}));
    QCOMPARE(session.model().rowCount(), 12);
    QVERIFY(session.InLine());
    QCOMPARE(session.Column(0).first(), u"うみ"_qs);
    QCOMPARE(session.Column(0).last(), u"やま"_qs);
    QCOMPARE(session.Cell(0, 2), u"名詞"_qs);
    QCOMPARE(session.frame().windowTitle(), u"Wordkeeper"_qs);
}

void WordkeeperViewTest::startupColumnWidths_data() {
    // A stored value relative to the client width (-1000 = a plain number), the expected
    // width relative to it likewise.
    QTest::addColumn<QVariant>("stored0");
    QTest::addColumn<int>("expected0");
    QTest::addColumn<QVariant>("stored1");
    QTest::addColumn<int>("expected1");
    QTest::addColumn<QVariant>("stored2");
    QTest::addColumn<int>("expected2");
    const QVariant none;
    QTest::newRow("nothing stored") << none << 80 << none << 79 << none << 66;
    QTest::newRow("9 is too narrow, 10 is used")
        << QVariant(9) << 80 << QVariant(10) << 10 << none << 66;
    QTest::newRow("negative") << QVariant(-1) << 80 << QVariant(int(0xFFFFFFFF)) << 79
                              << QVariant(120) << 120;
    QTest::newRow("not a number") << QVariant(u"wide"_qs) << 80 << QVariant(100) << 100 << none
                                  << 66;
    // "client" and "client+1" are filled in by the test.
    QTest::newRow("client width used, one more is not")
        << QVariant(u"client"_qs) << -1 << QVariant(u"client+1"_qs) << 79 << none << 66;
}

void WordkeeperViewTest::startupColumnWidths() {
    int client = 0;
    {
        Session probe;
        QVERIFY(probe.Start());
        client = probe.view().viewport()->width();
        probe.frame().close();
    }
    QVERIFY(client > 100);
    ClearSettings();
    const auto resolve = [client](const QVariant& value) {
        if (value.toString() == u"client"_qs) return QVariant(client);
        if (value.toString() == u"client+1"_qs) return QVariant(client + 1);
        return value;
    };
    QFETCH(QVariant, stored0);
    QFETCH(QVariant, stored1);
    QFETCH(QVariant, stored2);
    const QVariant stored[] = {stored0, stored1, stored2};
    for (int column = 0; column < 3; ++column) {
        if (stored[column].isValid())
            StoreSetting(QStringLiteral("ColumnWidth%1").arg(column), resolve(stored[column]));
    }
    Session session;
    QVERIFY(session.Start());
    QCOMPARE(session.view().viewport()->width(), client);
    QFETCH(int, expected0);
    QFETCH(int, expected1);
    QFETCH(int, expected2);
    const int expected[] = {expected0 == -1 ? client : expected0, expected1, expected2};
    for (int column = 0; column < 3; ++column)
        QCOMPARE(session.view().horizontalHeader()->sectionSize(column), expected[column]);
}

void WordkeeperViewTest::headerTaps_data() {
    QTest::addColumn<QList<int>>("taps");  // -1 stands for the refresh command
    QTest::addColumn<QStringList>("headers");
    QTest::addColumn<int>("orderedColumn");
    QTest::addColumn<bool>("ascending");
    QTest::newRow("reading once") << QList<int>{0}
                                  << QStringList{u"読み▽"_qs, u"単語"_qs, u"品詞"_qs} << 0 << false;
    QTest::newRow("reading twice")
        << QList<int>{0, 0} << QStringList{u"読み△"_qs, u"単語"_qs, u"品詞"_qs} << 0 << true;
    QTest::newRow("descending carries over to word")
        << QList<int>{0, 1} << QStringList{u"読み"_qs, u"単語▽"_qs, u"品詞"_qs} << 1 << false;
    QTest::newRow("part of speech")
        << QList<int>{2} << QStringList{u"読み"_qs, u"単語"_qs, u"品詞△"_qs} << 2 << true;
    QTest::newRow("refresh orders by reading, headers stay")
        << QList<int>{1, -1} << QStringList{u"読み"_qs, u"単語△"_qs, u"品詞"_qs} << 0 << true;
    QTest::newRow("word tap after refresh inverts")
        << QList<int>{1, -1, 1} << QStringList{u"読み"_qs, u"単語▽"_qs, u"品詞"_qs} << 1 << false;
}

void WordkeeperViewTest::headerTaps() {
    QFETCH(QList<int>, taps);
    QFETCH(QStringList, headers);
    QFETCH(int, orderedColumn);
    QFETCH(bool, ascending);
    Session session(SampleWords());
    QVERIFY(session.Start());
    for (int tap : taps) {
        if (tap < 0) {
            session.action(cmd::kRefresh)->trigger();
        } else {
            ClickHeader(session.view().horizontalHeader(), tap);
        }
    }
    QCOMPARE(session.Headers(), headers);
    const QStringList column = session.Column(orderedColumn);
    QStringList sorted = column;
    std::sort(sorted.begin(), sorted.end());
    if (!ascending) std::reverse(sorted.begin(), sorted.end());
    QCOMPARE(column, sorted);
    QCOMPARE(session.view().horizontalHeader()->isSortIndicatorShown(), false);
}

void WordkeeperViewTest::newWordsLandAtTop() {
    Session session(SampleWords());
    QVERIFY(session.Start());
    QString topWhileOpen;
    bool registerEnabledAfter = true;
    QString readingAfter = u"x"_qs;
    QString posAfter;
    int countWhileOpen = 0;
    auto outcome = WhenModal<CWordEditDlg>([&](CWordEditDlg* dialog) {
        Child<QComboBox>(dialog, "combo1003")->setCurrentIndex(2);
        TypeAndRegister(dialog, u"なごや"_qs, u"名古屋"_qs);
        topWhileOpen = session.Cell(0, 1);
        countWhileOpen = session.model().rowCount();
        TypeAndRegister(dialog, u"こうべ"_qs, u"神戸"_qs);
        registerEnabledAfter = Child<QPushButton>(dialog, "button1")->isEnabled();
        readingAfter = Child<QLineEdit>(dialog, "edit1001")->text() +
                       Child<QLineEdit>(dialog, "edit1002")->text();
        posAfter = Child<QComboBox>(dialog, "combo1003")->currentText();
        Press(dialog, "button2");
    });
    session.action(cmd::kNewWord)->trigger();
    QVERIFY(outcome->ran && !outcome->timedOut);
    QCOMPARE(topWhileOpen, u"名古屋"_qs);
    QCOMPARE(countWhileOpen, 13);
    QVERIFY(!registerEnabledAfter);
    QCOMPARE(readingAfter, QString());
    QCOMPARE(posAfter, u"地名"_qs);
    QCOMPARE(session.Column(1).mid(0, 2), (QStringList{u"神戸"_qs, u"名古屋"_qs}));
    QCOMPARE(session.Cell(0, 2), u"地名"_qs);
    QVERIFY(session.InLine());
    QCOMPARE(session.model().rowCount(), 14);
    QVERIFY(session.ime.Has(u"こうべ", 3, u"神戸"));
    QVERIFY(session.messages.requests.empty());
}

void WordkeeperViewTest::wordDialogChecks_data() {
    QTest::addColumn<QString>("reading");
    QTest::addColumn<QString>("word");
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QString>("message");  // empty: registered
    const QString sixty(60, u'あ');
    const QString sixtyOne(61, u'あ');
    QTest::newRow("both empty") << QString() << QString() << false << Q(msg::kWordEmpty);
    QTest::newRow("word empty, reading too long")
        << QString(70, u'か') << QString() << false << Q(msg::kWordEmpty);
    QTest::newRow("reading empty") << QString() << u"語"_qs << false << Q(msg::kReadingEmpty);
    QTest::newRow("word of 61") << u"よみ"_qs << sixtyOne << false << Q(msg::kTooLong);
    QTest::newRow("reading of 61") << sixtyOne << u"語"_qs << false << Q(msg::kTooLong);
    QTest::newRow("60 and 60 pass") << sixty << sixty << false << QString();
    QTest::newRow("refused by the input method")
        << u"よみ"_qs << u"拒否"_qs << true << Q(msg::kCannotRegister);
}

void WordkeeperViewTest::wordDialogChecks() {
    QFETCH(QString, reading);
    QFETCH(QString, word);
    QFETCH(bool, refused);
    QFETCH(QString, message);
    Session session(SampleWords());
    if (refused) session.ime.refuseRegister.insert(ToU16(word));
    QVERIFY(session.Start());
    bool openAfter = false;
    QString fieldsAfter;
    auto outcome = WhenModal<CWordEditDlg>([&](CWordEditDlg* dialog) {
        TypeAndRegister(dialog, reading, word);
        openAfter = dialog->isVisible();
        fieldsAfter = Child<QLineEdit>(dialog, "edit1001")->text() + u"|"_qs +
                      Child<QLineEdit>(dialog, "edit1002")->text();
        Press(dialog, "button2");
    });
    session.action(cmd::kNewWord)->trigger();
    QVERIFY(outcome->ran && !outcome->timedOut);
    QVERIFY(openAfter);
    if (message.isEmpty()) {
        QVERIFY(session.messages.requests.empty());
        QCOMPARE(fieldsAfter, u"|"_qs);
        QCOMPARE(session.model().rowCount(), 13);
        return;
    }
    QCOMPARE(session.messages.texts(), QStringList{message});
    const MessageRequest& shown = session.messages.requests.front();
    QCOMPARE(shown.caption, u"確認"_qs);
    QCOMPARE(shown.kind, MessageKind::Notice);
    QCOMPARE(fieldsAfter, reading + u"|"_qs + word);
    QCOMPARE(session.model().rowCount(), 12);
    QVERIFY(session.InLine());
}

void WordkeeperViewTest::changeWord_data() {
    QTest::addColumn<QString>("refuseRemoval");
    QTest::addColumn<QStringList>("refuseRegistration");
    QTest::addColumn<bool>("cancel");  // press ｷｬﾝｾﾙ instead of 登録 (after any message)
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("wordShown");  // the word at the changed row afterwards
    QTest::addColumn<int>("rows");
    const QString old = u"京都"_qs;
    const QString fresh = u"京の都"_qs;
    QTest::newRow("accepted") << QString() << QStringList{} << false << QStringList{} << fresh
                              << 12;
    QTest::newRow("cancelled") << QString() << QStringList{} << true << QStringList{} << old << 12;
    QTest::newRow("removal refused")
        << old << QStringList{} << true << QStringList{Q(msg::kCannotDelete)} << old << 12;
    QTest::newRow("new word refused, old one put back")
        << QString() << QStringList{fresh} << true << QStringList{Q(msg::kCannotRegister)} << old
        << 12;
    // The old word cannot be put back either: the list is read again and no longer shows it.
    QTest::newRow("new word refused, old one lost")
        << QString() << QStringList{fresh, old} << true << QStringList{Q(msg::kCannotRegister)}
        << u"佐藤"_qs << 11;
}

void WordkeeperViewTest::changeWord() {
    QFETCH(QString, refuseRemoval);
    QFETCH(QStringList, refuseRegistration);
    QFETCH(bool, cancel);
    QFETCH(QStringList, messages);
    QFETCH(QString, wordShown);
    QFETCH(int, rows);
    Session session(SampleWords());
    if (!refuseRemoval.isEmpty()) session.ime.refuseUnregister.insert(ToU16(refuseRemoval));
    for (const QString& word : refuseRegistration) session.ime.refuseRegister.insert(ToU16(word));
    QVERIFY(session.Start());
    const int row = 4;  // きょうと 京都
    QCOMPARE(session.Cell(row, 1), u"京都"_qs);
    session.Focus(row);

    bool openAfterRegister = false;
    QString closeText;
    auto outcome = WhenModal<CWordEditDlg>([&](CWordEditDlg* dialog) {
        closeText = Child<QPushButton>(dialog, "button2")->text();
        if (cancel && messages.isEmpty()) {
            Press(dialog, "button2");
            return;
        }
        Child<QLineEdit>(dialog, "edit1002")->setText(u"京の都"_qs);
        Press(dialog, "button1");
        openAfterRegister = dialog->isVisible();
        if (openAfterRegister) Press(dialog, "button2");
    });
    session.action(cmd::kChangeWord)->trigger();
    QVERIFY(outcome->ran && !outcome->timedOut);
    QCOMPARE(closeText, u"ｷｬﾝｾﾙ"_qs);
    QCOMPARE(session.messages.texts(), messages);
    QCOMPARE(openAfterRegister, !messages.isEmpty());
    QCOMPARE(session.Cell(row, 1), wordShown);
    QCOMPARE(session.model().rowCount(), rows);
    QVERIFY(session.InLine());
    // Whatever happened, the list shows exactly what the input method has.
    QCOMPARE(static_cast<int>(session.ime.words.size()), rows);
    for (int i = 0; i < rows; ++i) {
        const WordEntry* entry = session.dictionary.wordList.EntryAt(i);
        QVERIFY(session.ime.Has(entry->reading, entry->style, entry->word));
    }
    if (cancel && messages.isEmpty()) QVERIFY(session.ime.calls.empty());
}

void WordkeeperViewTest::changeWordWithoutStyleRowOpensNewMode() {
    Session session({{u"かお", 1, u"顔"}, {u"なぞ", 99, u"謎"}});
    QVERIFY(session.Start());
    const int row = 1;  // なぞ, style 99 has no row
    QCOMPARE(session.Cell(row, 2), QString());
    session.Focus(row);
    QString fields;
    bool registerEnabled = true;
    int posShown = -1;
    auto outcome = WhenModal<CWordEditDlg>([&](CWordEditDlg* dialog) {
        fields = Child<QLineEdit>(dialog, "edit1001")->text() +
                 Child<QLineEdit>(dialog, "edit1002")->text();
        registerEnabled = Child<QPushButton>(dialog, "button1")->isEnabled();
        posShown = Child<QComboBox>(dialog, "combo1003")->currentIndex();
        TypeAndRegister(dialog, u"なぞ"_qs, u"謎々"_qs);
        Press(dialog, "button2");
    });
    session.action(cmd::kChangeWord)->trigger();
    QVERIFY(outcome->ran && !outcome->timedOut);
    QCOMPARE(fields, u"なぞ謎"_qs);
    QVERIFY(!registerEnabled);
    QCOMPARE(posShown, 0);
    QCOMPARE(session.Column(1), (QStringList{u"謎々"_qs, u"顔"_qs, u"謎"_qs}));
    QVERIFY(session.ime.Has(u"なぞ", 99, u"謎"));
}

void WordkeeperViewTest::doubleClick() {
    Session session(SampleWords());
    QVERIFY(session.Start());
    QString opened;
    auto outcome = WhenModal<CWordEditDlg>([&](CWordEditDlg* dialog) {
        opened = Child<QLineEdit>(dialog, "edit1002")->text();
        Press(dialog, "button2");
    });
    QTest::mouseDClick(session.view().viewport(), Qt::LeftButton, {}, session.RowCenter(6));
    QVERIFY(outcome->ran && !outcome->timedOut);
    QCOMPARE(opened, session.Cell(6, 1));

    // Below the last row: no dialog.
    auto none = WhenModal<QDialog>([](QDialog* dialog) { dialog->done(0); }, 500);
    const QPoint below(10, session.view().viewport()->height() - 3);
    QVERIFY(!session.view().indexAt(below).isValid());
    QTest::mouseDClick(session.view().viewport(), Qt::LeftButton, {}, below);
    QVERIFY(!none->ran);
}

void WordkeeperViewTest::deleteSelected_data() {
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<QString>("refused");  // word whose removal fails
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QStringList>("removedInOrder");
    QTest::addColumn<QStringList>("messages");
    const QList<int> rows{2, 5, 9};  // 皮, 佐藤, 橋
    QTest::newRow("three rows") << rows << QString() << true
                                << QStringList{u"-橋"_qs, u"-佐藤"_qs, u"-皮"_qs} << QStringList{};
    QTest::newRow("refusal in the middle")
        << rows << u"佐藤"_qs << true << QStringList{u"-橋"_qs, u"-佐藤"_qs}
        << QStringList{Q(msg::kCannotDelete)};
    QTest::newRow("refusal at the bottom")
        << rows << u"橋"_qs << true << QStringList{u"-橋"_qs} << QStringList{Q(msg::kCannotDelete)};
    QTest::newRow("answered no") << rows << QString() << false << QStringList{} << QStringList{};
    QTest::newRow("first row only")
        << QList<int>{0} << QString() << true << QStringList{u"-海"_qs} << QStringList{};
}

void WordkeeperViewTest::deleteSelected() {
    QFETCH(QList<int>, selected);
    QFETCH(QString, refused);
    QFETCH(bool, answer);
    QFETCH(QStringList, removedInOrder);
    QFETCH(QStringList, messages);
    Session session(SampleWords());
    if (!refused.isEmpty()) session.ime.refuseUnregister.insert(ToU16(refused));
    session.messages.answer = answer;
    QVERIFY(session.Start());
    const QStringList before = session.Column(1);
    for (int row : selected) session.Select({row});
    session.Focus(selected.first());
    QVERIFY(session.action(cmd::kDeleteWords)->isEnabled());
    session.action(cmd::kDeleteWords)->trigger();

    QCOMPARE(session.messages.requests.front().kind, MessageKind::Question);
    QCOMPARE(session.messages.requests.front().text, u"選択された単語を削除してよろしいですか?"_qs);
    QCOMPARE(session.messages.requests.front().caption, u"確認"_qs);
    QStringList shown = session.messages.texts();
    shown.removeFirst();
    QCOMPARE(shown, messages);
    QStringList calls;
    for (const std::u16string& call : session.ime.calls) calls << Q(call);
    QCOMPARE(calls, removedInOrder);

    QStringList expected = before;
    for (const QString& call : removedInOrder) {
        if (call.mid(1) != refused) expected.removeOne(call.mid(1));
    }
    QCOMPARE(session.Column(1), expected);
    QVERIFY(session.InLine());
    QCOMPARE(session.SelectedRows().isEmpty(), answer);
    QVERIFY(!session.view().waitCursorShown());
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

void WordkeeperViewTest::find_data() {
    QTest::addColumn<QString>("typed");  // "\b" deletes what was typed
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<bool>("multiSelect");
    QTest::addColumn<QList<int>>("selectedAfter");  // {3, 7}: the selection before, untouched
    QTest::addColumn<bool>("notFound");
    const QList<int> untouched{3, 7};
    QTest::newRow("first row") << u"うみ"_qs << false << false << QList<int>{0} << false;
    QTest::newRow("last row") << u"やま"_qs << false << false << QList<int>{11} << false;
    QTest::newRow("shared reading finds the upper")
        << u"かわ"_qs << false << false << QList<int>{2} << false;
    QTest::newRow("prefix is no match") << u"か"_qs << false << false << QList<int>{} << true;
    QTest::newRow("kana kind counts") << u"ウミ"_qs << false << false << QList<int>{} << true;
    QTest::newRow("empty text") << u"\b"_qs << false << false << untouched << false;
    QTest::newRow("cancelled") << u"うみ"_qs << true << false << untouched << false;
    QTest::newRow("multiple selection leaves one")
        << u"そら"_qs << false << true << QList<int>{6} << false;
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
    auto outcome = WhenModal<CFindReadingDlg>([&](CFindReadingDlg* dialog) {
        auto* edit = Child<QLineEdit>(dialog, "edit1000");
        if (typed == u"\b"_qs) {
            edit->insert(u"あ"_qs);
            edit->clear();
        } else {
            edit->insert(typed);
        }
        Press(dialog, cancel ? "button2" : "button1");
    });
    session.action(cmd::kEditFind)->trigger();
    QVERIFY(outcome->ran && !outcome->timedOut);
    QCOMPARE(session.SelectedRows(), selectedAfter);
    if (notFound) {
        QCOMPARE(session.messages.texts(), QStringList{Q(msg::kNotFound)});
        QCOMPARE(session.messages.requests.front().caption, u"確認"_qs);
        QCOMPARE(session.messages.requests.front().kind, MessageKind::Notice);
    } else {
        QVERIFY(session.messages.requests.empty());
    }
    if (selectedAfter.size() == 1) QCOMPARE(session.view().currentIndex().row(), selectedAfter[0]);
}

void WordkeeperViewTest::findDialogEnabling() {
    CFindReadingDlg dialog;
    dialog.show();
    auto* button = Child<QPushButton>(&dialog, "button1");
    auto* edit = Child<QLineEdit>(&dialog, "edit1000");
    QCOMPARE(dialog.windowTitle(), u"ﾀﾞｲｱﾛｸﾞ"_qs);
    QVERIFY(!button->isEnabled());
    QTest::keyClicks(edit, u"a"_qs);
    QVERIFY(button->isEnabled());
    QTest::keyClick(edit, Qt::Key_Backspace);
    QVERIFY(button->isEnabled());
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(dialog.result(), CFindReadingDlg::kResultFind);
    QCOMPARE(dialog.findReading(), QString());
}

void WordkeeperViewTest::multipleSelection() {
    Session session(SampleWords());
    QVERIFY(session.Start());
    QAction* multi = session.action(cmd::kMultiSelect);
    QVERIFY(multi->isCheckable() && !multi->isChecked());
    QWidget* rows = session.view().viewport();
    multi->trigger();
    QVERIFY(multi->isChecked() && session.view().multiSelect());
    QTest::mouseClick(rows, Qt::LeftButton, {}, session.RowCenter(1));
    QTest::mouseClick(rows, Qt::LeftButton, {}, session.RowCenter(4));
    QTest::mouseClick(rows, Qt::LeftButton, {}, session.RowCenter(8));
    QCOMPARE(session.SelectedRows(), (QList<int>{1, 4, 8}));
    QTest::mouseClick(rows, Qt::LeftButton, {}, session.RowCenter(4));
    QCOMPARE(session.SelectedRows(), (QList<int>{1, 8}));
    multi->trigger();
    QVERIFY(!multi->isChecked() && !session.view().multiSelect());
    QTest::mouseClick(rows, Qt::LeftButton, {}, session.RowCenter(5));
    QCOMPARE(session.SelectedRows(), QList<int>{5});
}

void WordkeeperViewTest::selectAllAndCommandStates() {
    {
        Session empty;
        QVERIFY(empty.Start());
        QCOMPARE(empty.model().rowCount(), 0);
        QVERIFY(!empty.action(cmd::kChangeWord)->isEnabled());
        QVERIFY(!empty.action(cmd::kDeleteWords)->isEnabled());
        for (int id : {cmd::kNewWord, cmd::kEditFind, cmd::kSelectAll, cmd::kRefresh,
                       cmd::kBulkRegister, cmd::kExportText, cmd::kMultiSelect})
            QVERIFY2(empty.action(id)->isEnabled(), qPrintable(QString::number(id)));
    }
    Session session(SampleWords());
    QVERIFY(session.Start());
    session.view().selectionModel()->clearCurrentIndex();
    QVERIFY(!session.action(cmd::kChangeWord)->isEnabled());
    QVERIFY(!session.action(cmd::kDeleteWords)->isEnabled());
    session.action(cmd::kSelectAll)->trigger();
    QCOMPARE(session.SelectedRows().size(), 12);
    QVERIFY(session.action(cmd::kDeleteWords)->isEnabled());
    QVERIFY(!session.action(cmd::kChangeWord)->isEnabled());  // follows the focus only
    session.Focus(3);
    QVERIFY(session.action(cmd::kChangeWord)->isEnabled());
    session.view().clearSelection();
    QVERIFY(!session.action(cmd::kDeleteWords)->isEnabled());
    QVERIFY(session.action(cmd::kChangeWord)->isEnabled());
    // Select all works in multiple selection too.
    session.action(cmd::kMultiSelect)->trigger();
    session.action(cmd::kSelectAll)->trigger();
    QCOMPARE(session.SelectedRows().size(), 12);
}

void WordkeeperViewTest::contextMenu_data() {
    QTest::addColumn<bool>("onRow");
    QTest::addColumn<bool>("changeEnabled");
    QTest::addColumn<bool>("deleteEnabled");
    QTest::newRow("on a row") << true << true << true;
    QTest::newRow("below the rows") << false << false << false;
}

void WordkeeperViewTest::contextMenu() {
    QFETCH(bool, onRow);
    QFETCH(bool, changeEnabled);
    QFETCH(bool, deleteEnabled);
    Session session(SampleWords());
    QVERIFY(session.Start());
    session.view().selectionModel()->clearCurrentIndex();
    const QPoint at =
        onRow ? session.RowCenter(2) : QPoint(10, session.view().viewport()->height() - 3);
    QStringList items;
    bool change = !changeEnabled;
    bool remove = !deleteEnabled;
    auto outcome = WhenModal<QMenu>([&](QMenu* menu) {
        for (QAction* action : menu->actions())
            items << (action->isSeparator() ? u"-"_qs : action->text());
        change = session.action(cmd::kChangeWord)->isEnabled();
        remove = session.action(cmd::kDeleteWords)->isEnabled();
        if (onRow) {
            menu->setActiveAction(session.action(cmd::kDeleteWords));
            QTest::keyClick(menu, Qt::Key_Return);
        } else {
            menu->close();
        }
    });
    // A right click first selects the row under it, then asks for the menu.
    QTest::mouseClick(session.view().viewport(), Qt::RightButton, {}, at);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at,
                            session.view().viewport()->mapToGlobal(at));
    QApplication::sendEvent(session.view().viewport(), &event);
    QVERIFY(outcome->ran && !outcome->timedOut);
    QCOMPARE(items, (QStringList{u"新規登録..."_qs, u"変更..."_qs, u"削除..."_qs, u"-"_qs,
                                 u"全てを選択"_qs}));
    QCOMPARE(change, changeEnabled);
    QCOMPARE(remove, deleteEnabled);
    if (onRow) {
        QCOMPARE(session.model().rowCount(), 11);
        QVERIFY(!session.Column(1).contains(u"皮"_qs));
    }
}

void WordkeeperViewTest::longPressOpensContextMenu() {
    Session session(SampleWords());
    QVERIFY(session.Start());
    bool deleteEnabled = false;
    auto outcome = WhenModal<QMenu>([&](QMenu* menu) {
        deleteEnabled = session.action(cmd::kDeleteWords)->isEnabled();
        menu->close();
    });
    QWidget* rows = session.view().viewport();
    QTest::mousePress(rows, Qt::LeftButton, {}, session.RowCenter(3));
    QTRY_VERIFY_WITH_TIMEOUT(outcome->ran, 4000);
    QTest::mouseRelease(rows, Qt::LeftButton, {}, session.RowCenter(3));
    QVERIFY(!outcome->timedOut);
    QVERIFY(deleteEnabled);
    QCOMPARE(session.SelectedRows(), QList<int>{3});
}

void WordkeeperViewTest::keyboardShortcuts_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("effect");
    QTest::newRow("Ctrl+A") << int(Qt::Key_A) << int(Qt::ControlModifier) << u"all selected"_qs;
    QTest::newRow("F5") << int(Qt::Key_F5) << 0 << u"reloaded"_qs;
    QTest::newRow("Delete") << int(Qt::Key_Delete) << 0 << u"asked"_qs;
    QTest::newRow("Ctrl+F") << int(Qt::Key_F) << int(Qt::ControlModifier) << u"dialog130"_qs;
    QTest::newRow("Ctrl+N") << int(Qt::Key_N) << int(Qt::ControlModifier) << u"閉じる"_qs;
    QTest::newRow("Enter") << int(Qt::Key_Return) << 0 << u"ｷｬﾝｾﾙ"_qs;
}

void WordkeeperViewTest::keyboardShortcuts() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, effect);
    Session session(SampleWords());
    session.messages.answer = false;
    QVERIFY(session.Start());
    session.Select({1});
    session.Focus(1);
    session.view().setFocus();
    QString opened;
    std::unique_ptr<ModalWatch> outcome;
    const bool opensDialog =
        !effect.contains(u' ') && effect != u"reloaded"_qs && effect != u"asked"_qs;
    if (opensDialog) {
        outcome = WhenModal<QDialog>([&](QDialog* dialog) {
            opened = dialog->objectName();
            if (auto* close = Child<QPushButton>(dialog, "button2")) {
                if (dialog->objectName() == u"dialog101"_qs) opened = close->text();
                close->click();
            }
        });
    }
    const int enumerations = session.ime.enumerations;
    QTest::keyClick(&session.view(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    if (effect == u"all selected"_qs) {
        QCOMPARE(session.SelectedRows().size(), 12);
    } else if (effect == u"reloaded"_qs) {
        QCOMPARE(session.ime.enumerations, enumerations + 1);
    } else if (effect == u"asked"_qs) {
        QCOMPARE(session.messages.requests.size(), std::size_t{1});
        QCOMPARE(session.messages.requests.front().kind, MessageKind::Question);
    } else {
        QVERIFY(outcome->ran && !outcome->timedOut);
        QCOMPARE(opened, effect);
    }
}

void WordkeeperViewTest::quickAddNote() {
    Session session(SampleWords());
    QVERIFY(session.Start());
    QCOMPARE(session.ime.enumerations, 1);

    // Another program registers a word and leaves the note while the manager is in the
    // background.
    QWidget other;
    other.resize(100, 100);
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    session.ime.words.push_back({u"あおもり", 3, u"青森"});
    QProcess quickAdd;
    quickAdd.start(QCoreApplication::applicationFilePath(), {u"--leave-note"_qs});
    QVERIFY(quickAdd.waitForFinished(10000));
    QCOMPARE(quickAdd.exitCode(), 0);

    session.frame().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&session.frame()));
    QTRY_COMPARE(session.ime.enumerations, 2);
    QCOMPARE(session.Cell(0, 1), u"青森"_qs);
    QVERIFY(session.InLine());
    QCOMPARE(StoredSetting(u"TermChange"_qs).toInt(), 0);

    // A further activation does not reload.
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    session.frame().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&session.frame()));
    QTest::qWait(50);
    QCOMPARE(session.ime.enumerations, 2);
}

void WordkeeperViewTest::noteLeftBeforeStartCausesNoSecondLoad() {
    StoreSetting(u"TermChange"_qs, 5);
    Session session(SampleWords());
    QVERIFY(session.Start());
    QTest::qWait(50);
    QCOMPARE(session.ime.enumerations, 1);
    QCOMPARE(StoredSetting(u"TermChange"_qs).toInt(), 0);
}

void WordkeeperViewTest::columnWidthsSavedAtExit() {
    {
        Session session(SampleWords());
        QVERIFY(session.Start());
        QHeaderView* header = session.view().horizontalHeader();
        header->resizeSection(0, 101);
        header->resizeSection(1, 57);
        session.action(cmd::kAppExit)->trigger();
        QVERIFY(!session.frame().isVisible());
        QCOMPARE(StoredSetting(u"ColumnWidth0"_qs).toInt(), 101);
        QCOMPARE(StoredSetting(u"ColumnWidth1"_qs).toInt(), 57);
        QCOMPARE(StoredSetting(u"ColumnWidth2"_qs).toInt(), 66);
    }
    Session again(SampleWords());
    QVERIFY(again.Start());
    QCOMPARE(again.view().horizontalHeader()->sectionSize(0), 101);
    QCOMPARE(again.view().horizontalHeader()->sectionSize(1), 57);
}

void WordkeeperViewTest::waitCursorDoesNotStick() {
    Session session;
    QVERIFY(session.Start());
    session.view().ShowWaitCursor();
    session.view().ShowWaitCursor();
    QVERIFY(QGuiApplication::overrideCursor() != nullptr);
    session.view().RestoreCursor();
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
    session.view().RestoreCursor();
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

void WordkeeperViewTest::incompleteReadIsReported() {
    Session session(SampleWords());
    session.ime.failEnumeration = true;
    QVERIFY(session.Start());
    QCOMPARE(session.model().rowCount(), 12);
    QCOMPARE(session.messages.texts(), QStringList{u"辞書の単語を最後まで読み込めませんでした"_qs});
}

// Run with --leave-note, the test program plays the quick-add program: it leaves the note
// in the shared settings from a process of its own.
int main(int argc, char** argv) {
    if (argc == 2 && std::string_view(argv[1]) == "--leave-note") {
        // The settings folder is the parent's, inherited through the environment.
        QCoreApplication app(argc, argv);
        QtSettingsStore store;
        return LeaveQuickAddNote(store) ? 0 : 1;
    }
    wk::testing::PrepareGuiTestEnvironment();
    CWordkeeperApp app(argc, argv, ManagerProgramInfo());
    WordkeeperViewTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "wordkeeper_view_test.moc"
