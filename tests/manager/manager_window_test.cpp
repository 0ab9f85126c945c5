// The manager's window as a desktop user meets it: the selection through a sort, find next,
// the keys of the list, the status bar, and one window per dictionary.
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>

#include "manager/find_reading_dlg.h"
#include "manager/single_instance.h"
#include "manager_test_support.h"

using namespace wk;
using namespace wk::testing;

namespace {

// The sample words and enough others that a sort moves a word out of sight.
std::vector<FakeIme::Word> ManyWords() {
    std::vector<FakeIme::Word> words = SampleWords();
    for (int i = 0; i < 300; ++i)
        words.push_back({u"ん" + ToU16(QString::number(1000 + i)), 1,
                         u"語" + ToU16(QString::number(1000 + i))});
    return words;
}

QStringList Words(Session& session, const QList<int>& rows) {
    QStringList words;
    for (int row : rows) words << session.Cell(row, 1);
    words.sort();
    return words;
}

int RowOf(Session& session, const QString& word) {
    return static_cast<int>(session.Column(1).indexOf(word));
}

void TapHeader(Session& session, int column) {
    QHeaderView* header = session.view().horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(column) + 4, 5));
}

// Looks for `reading` through the find dialog; what the dialog offered comes back.
QString FindThroughDialog(Session& session, const QString& reading) {
    QString offered;
    auto watch = WhenModal<CFindReadingDlg>([&](CFindReadingDlg* dialog) {
        offered = Child(dialog, "readingEdit")->text();
        Child(dialog, "readingEdit")->setText(reading);
        Press(dialog, "findButton");
    });
    QTest::keyClick(&session.view(), Qt::Key_F, Qt::ControlModifier);
    // The window's keys work again once it is active again.
    if (!Activate(session.frame())) return u"(not active)"_qs;
    return watch->ok() ? offered : u"(no dialog)"_qs;
}

}  // namespace

class ManagerWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QuietPlatformNotes(); }
    void init() { SharedSettings().clear(); }
    void cleanup() { CloseAllModals(); }
    void sortKeepsSelection_data();
    void sortKeepsSelection();
    void findNext_data();
    void findNext();
    void listKeys_data();
    void listKeys();
    void statusBar();
    void placement_data();
    void placement();
    void oneWindowPerDictionary_data();
    void oneWindowPerDictionary();
};

void ManagerWindowTest::sortKeepsSelection_data() {
    QTest::addColumn<QStringList>("selected");  // words; "*" for all
    QTest::addColumn<QString>("focused");
    QTest::addColumn<QList<int>>("taps");
    QTest::newRow("by word") << QStringList{u"川"_qs, u"佐藤"_qs} << u"佐藤"_qs << QList<int>{1};
    QTest::newRow("reversed") << QStringList{u"山"_qs, u"海"_qs} << u"海"_qs << QList<int>{0};
    QTest::newRow("one of a shared reading")
        << QStringList{u"皮"_qs} << u"皮"_qs << QList<int>{2, 0};
    QTest::newRow("far out of sight") << QStringList{u"語1299"_qs} << u"語1299"_qs << QList<int>{1};
    QTest::newRow("all") << QStringList{u"*"_qs} << u"京都"_qs << QList<int>{1, 1};
    QTest::newRow("focus only") << QStringList{} << u"空"_qs << QList<int>{2};
}

void ManagerWindowTest::sortKeepsSelection() {
    QFETCH(QStringList, selected);
    QFETCH(QString, focused);
    QFETCH(QList<int>, taps);
    Session session(ManyWords());
    QVERIFY(session.Start());
    const bool all = selected == QStringList{u"*"_qs};
    if (all) {
        QTest::keyClick(&session.view(), Qt::Key_A, Qt::ControlModifier);
        selected = session.Column(1);
    } else {
        QList<int> rows;
        for (const QString& word : selected) rows << RowOf(session, word);
        session.Select(rows);
    }
    selected.sort();
    session.Focus(RowOf(session, focused));

    for (int column : taps) TapHeader(session, column);

    QCOMPARE(Words(session, session.SelectedRows()), selected);
    const QModelIndex current = session.view().currentIndex();
    QCOMPARE(session.Cell(current.row(), 1), focused);
    QVERIFY(session.view().viewport()->rect().contains(session.view().visualRect(current)));
}

void ManagerWindowTest::findNext_data() {
    QTest::addColumn<QString>("reading");  // looked for first; empty: nothing looked for
    QTest::addColumn<int>("focus");        // -1: left where the search put it
    QTest::addColumn<int>("presses");      // of F3
    QTest::addColumn<int>("found");        // the row selected and focused at the end
    // By reading: うみ 0, おおさか 1, かわ 2 and 3, ..., やま 11.
    QTest::newRow("the second of two") << u"かわ"_qs << -1 << 1 << 3;
    QTest::newRow("back to the top") << u"かわ"_qs << -1 << 2 << 2;
    QTest::newRow("from a focus further down") << u"かわ"_qs << 8 << 1 << 2;
    QTest::newRow("the only one, again") << u"やま"_qs << -1 << 1 << 11;
}

void ManagerWindowTest::findNext() {
    QFETCH(QString, reading);
    QFETCH(int, focus);
    QFETCH(int, presses);
    QFETCH(int, found);
    Session session(SampleWords());
    QVERIFY(session.Start());
    QCOMPARE(FindThroughDialog(session, reading), QString());
    if (focus >= 0) session.Focus(focus);
    for (int i = 0; i < presses; ++i) QTest::keyClick(&session.view(), Qt::Key_F3);
    QCOMPARE(session.SelectedRows(), QList<int>{found});
    QCOMPARE(session.view().currentIndex().row(), found);
    QVERIFY(session.messages.requests.empty());
    // The dialog offers the reading last looked for.
    QCOMPARE(FindThroughDialog(session, reading), reading);
}

void ManagerWindowTest::listKeys_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("row");  // focused afterwards; -1: a menu opened instead
    QTest::newRow("Home") << int(Qt::Key_Home) << int(Qt::NoModifier) << 0;
    QTest::newRow("End") << int(Qt::Key_End) << int(Qt::NoModifier) << 11;
    QTest::newRow("Shift+F10") << int(Qt::Key_F10) << int(Qt::ShiftModifier) << -1;
    QTest::newRow("Menu") << int(Qt::Key_Menu) << int(Qt::NoModifier) << -1;
}

void ManagerWindowTest::listKeys() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, row);
    Session session(SampleWords());
    QVERIFY(session.Start());
    session.Select({5});
    session.Focus(5);
    QStringList items;
    auto watch = WhenModal<QMenu>(
        [&](QMenu* menu) {
            for (QAction* action : menu->actions()) items << action->text();
            menu->close();
        },
        row < 0 ? 5000 : 300);
    if (key == Qt::Key_Menu) {
        // What the platform makes of the key.
        QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(), QPoint());
        QApplication::sendEvent(session.view().viewport(), &event);
    } else {
        QTest::keyClick(&session.view(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    }
    QCOMPARE(watch->ran, row < 0);
    if (row < 0) {
        QCOMPARE(items.value(0), u"新規登録..."_qs);
        QCOMPARE(session.view().currentIndex().row(), 5);
    } else {
        QCOMPARE(session.view().currentIndex().row(), row);
        QCOMPARE(session.SelectedRows(), QList<int>{row});
    }
}

// The number of words follows every change; an input method without a name or a file says
// neither.
void ManagerWindowTest::statusBar() {
    Session session(SampleWords());
    QVERIFY(session.Start());
    const auto* status = session.frame().statusBar()->findChild<QLabel*>(u"statusText"_qs);
    QVERIFY(status != nullptr && status->isVisible());
    QCOMPARE(status->text(), u"12 個の単語"_qs);
    session.Select({0});
    QTest::keyClick(&session.view(), Qt::Key_Delete);
    QCOMPARE(status->text(), u"11 個の単語"_qs);
    QCOMPARE(StatusText(3, u"Anthy", "/home/u/.anthy/private_words_default"),
             u"3 個の単語    入力方式: Anthy    辞書: /home/u/.anthy/private_words_default"_qs);
}

void ManagerWindowTest::placement_data() {
    QTest::addColumn<QRect>("stored");  // null: nothing stored
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("position");  // (-1, -1): left to the window manager
    const QPoint none(-1, -1);
    // Two screens side by side: 1920x1080 and 1280x1024 to its right.
    QTest::newRow("nothing stored") << QRect() << QSize(640, 480) << none;
    QTest::newRow("on the second screen")
        << QRect(2000, 100, 700, 500) << QSize(700, 500) << QPoint(2000, 100);
    QTest::newRow("off every screen") << QRect(5000, 100, 700, 500) << QSize(700, 500) << none;
    QTest::newRow("above the screens") << QRect(100, -600, 700, 500) << QSize(700, 500) << none;
    QTest::newRow("larger than any screen")
        << QRect(0, 0, 4000, 3000) << QSize(1920, 1080) << QPoint(0, 0);
    QTest::newRow("too small to use") << QRect(10, 10, 20, 20) << QSize(640, 480) << none;
}

void ManagerWindowTest::placement() {
    QFETCH(QRect, stored);
    QFETCH(QSize, size);
    QFETCH(QPoint, position);
    const WindowPlacement placed =
        PlaceWindow(stored.isNull() ? std::nullopt : std::optional<QRect>(stored), QSize(640, 480),
                    {QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)});
    QCOMPARE(placed.size, size);
    QCOMPARE(placed.position.value_or(QPoint(-1, -1)), position);
}

void ManagerWindowTest::oneWindowPerDictionary_data() {
    QTest::addColumn<QString>("second");
    QTest::addColumn<bool>("handedOver");
    QTest::newRow("same dictionary") << u"/data/words.sqlite"_qs << true;
    QTest::newRow("another dictionary") << u"/data/other.sqlite"_qs << false;
}

void ManagerWindowTest::oneWindowPerDictionary() {
    QFETCH(QString, second);
    QFETCH(bool, handedOver);
    Session session(SampleWords());
    QVERIFY(session.Start());
    QVERIFY(session.window->ClaimDictionary(u"/data/words.sqlite"_qs));
    session.frame().showMinimized();
    QVERIFY(session.frame().isMinimized());

    SingleInstance later(second);
    // Claiming another dictionary's socket succeeds: no hand-over is even attempted.
    QCOMPARE(later.Claim(), !handedOver);
    if (handedOver) QTRY_VERIFY(!session.frame().isMinimized());
    // Nobody but the user can reach the socket.
    const QFileInfo folder(QFileInfo(SingleInstance::SocketPath(second)).absolutePath());
    QCOMPARE(folder.permissions() &
                 (QFile::ReadOther | QFile::ReadGroup | QFile::ExeOther | QFile::ExeGroup),
             QFile::Permissions());
}

WK_MANAGER_TEST_MAIN(ManagerWindowTest)

#include "manager_window_test.moc"
