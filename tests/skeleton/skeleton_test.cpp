// SPDX-License-Identifier: MIT
// The skeleton: a frame's menus built from a layout, and the message boxes. The display
// check is tried through the programs, in manager_program_test.
#include <QMenuBar>

#include "gui_test_support.h"
#include "skeleton/commands.h"
#include "skeleton/main_frame.h"
#include "skeleton/message_box.h"

using namespace wk;
using namespace wk::testing;

namespace {

ProgramInfo TestProgram() {
    return {u"Sample"_qs,
            u"1.2.3"_qs,
            u"Sample のﾊﾞｰｼﾞｮﾝ情報"_qs,
            {u"Sample Version 1.2"_qs, u"二行目"_qs},
            QString()};
}

QStringList Texts(const QList<QAction*>& actions) {
    QStringList texts;
    for (QAction* action : actions) texts << (action->isSeparator() ? u"-"_qs : action->text());
    return texts;
}

}  // namespace

class SkeletonTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QuietPlatformNotes(); }
    void cleanup() { CloseAllModals(); }
    void frame();
    void messageBoxes_data();
    void messageBoxes();
};

void SkeletonTest::frame() {
    FrameSpec layout{TestProgram(),
                     {{100, u"ひとつ"_qs, false, {QKeySequence(Qt::CTRL | Qt::Key_1)}, {}},
                      {101, u"ふたつ"_qs, true, {}, {}},
                      {cmd::kAppAbout, u"Sampleについて..."_qs, false, {}, {}},
                      {cmd::kAppExit, u"終了"_qs, false, {}, {}}},
                     {{u"ﾌｧｲﾙ"_qs, {cmd::kAppAbout, cmd::kSeparator, cmd::kAppExit}},
                      {u"編集"_qs, {100, cmd::kSeparator, 101, 555}}},
                     {cmd::kSeparator, 101, 100},
                     QSize(300, 200)};
    CMainFrame frame(layout);
    const QList<QAction*> menus = frame.menuBar()->actions();
    QCOMPARE(Texts(menus), (QStringList{u"ﾌｧｲﾙ"_qs, u"編集"_qs}));
    QCOMPARE(Texts(menus[0]->menu()->actions()),
             (QStringList{u"Sampleについて..."_qs, u"-"_qs, u"終了"_qs}));
    QCOMPARE(Texts(menus[1]->menu()->actions()),
             (QStringList{u"ひとつ"_qs, u"-"_qs, u"ふたつ"_qs}));
}

void SkeletonTest::messageBoxes_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QStringList>("buttons");  // the default one first
    QTest::addColumn<int>("key");              // pressed to answer
    QTest::addColumn<int>("answer");
    const int yes = QMessageBox::Yes, ok = QMessageBox::Ok;
    QTest::newRow("notice") << int(MessageKind::Notice) << u"確認"_qs << int(QMessageBox::Warning)
                            << QStringList{u"OK"_qs} << int(Qt::Key_Return) << ok;
    QTest::newRow("question") << int(MessageKind::Question) << u"確認"_qs
                              << int(QMessageBox::Question) << QStringList{u"はい"_qs, u"いいえ"_qs}
                              << int(Qt::Key_Return) << yes;
    QTest::newRow("question with cancel, Escape")
        << int(MessageKind::QuestionWithCancel) << u"確認"_qs << int(QMessageBox::Question)
        << QStringList{u"はい"_qs, u"キャンセル"_qs, u"いいえ"_qs} << int(Qt::Key_Escape)
        << int(QMessageBox::Cancel);
    QTest::newRow("application") << int(MessageKind::Application) << u"Sample"_qs
                                 << int(QMessageBox::Warning) << QStringList{u"OK"_qs}
                                 << int(Qt::Key_Return) << ok;
}

void SkeletonTest::messageBoxes() {
    QFETCH(int, kind);
    QFETCH(QString, caption);
    QFETCH(int, icon);
    QFETCH(QStringList, buttons);
    QFETCH(int, key);
    QFETCH(int, answer);
    QWidget owner;
    owner.show();
    QStringList shown;
    int shownIcon = -1;
    auto watch = WhenModal<QMessageBox>([&](QMessageBox* box) {
        // Qt's Japanese texts carry their mnemonic in brackets: "はい(&Y)".
        shown << box->windowTitle() << box->text()
              << box->defaultButton()->text().section(u'(', 0, 0);
        for (QAbstractButton* button : box->buttons()) {
            if (button != box->defaultButton()) shown << button->text().section(u'(', 0, 0);
        }
        shownIcon = box->icon();
        QTest::keyClick(box, Qt::Key(key));
    });
    const QString text = u"単語削除できません"_qs;
    int answered = QMessageBox::Ok;
    if (kind == int(MessageKind::Notice)) ShowNotice(&owner, text);
    if (kind == int(MessageKind::Question))
        answered = AskYesNo(&owner, text) ? QMessageBox::Yes : 0;
    if (kind == int(MessageKind::QuestionWithCancel)) answered = AskYesNoCancel(&owner, text);
    if (kind == int(MessageKind::Application)) ShowApplicationMessage(&owner, text);
    QVERIFY(watch->ok());
    QCOMPARE(answered, answer);
    QCOMPARE(shownIcon, icon);
    QCOMPARE(shown, QStringList({caption, text}) + buttons);
}

WK_GUI_TEST_MAIN(SkeletonTest, TestProgram())

#include "skeleton_test.moc"
