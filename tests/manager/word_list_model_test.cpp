// The word list model checked by Qt's model tester while the store changes under it, in the
// moments the window's tests cannot reach: a word the list could not take, a store that
// shrank before the model was told.
#include <QAbstractItemModelTester>
#include <QTest>

#include "fake_ime.h"
#include "manager/word_list_model.h"

using namespace wk;
using namespace wk::testing;

class WordListModelTest : public QObject {
    Q_OBJECT
  private slots:
    void followsTheStore();
};

void WordListModelTest::followsTheStore() {
    FakeIme ime;
    ime.words = {{u"いぬ", 1, u"犬"}, {u"ねこ", 1, u"猫"}, {u"なぞ", 1, u"謎"}};
    Dictionary dictionary(ime);
    dictionary.LoadPosTable();
    WordListModel model(dictionary);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    NullListDisplay quiet;
    dictionary.RefreshWords(quiet);
    model.SetItemCount(dictionary.wordCount);

    // A new word arrives at the top; one that could not be stored leaves no row.
    model.BeginInsertAtTop();
    dictionary.AddWord(u"とり", u"鳥", 0);
    model.EndInsertAtTop(true);
    model.BeginInsertAtTop();
    model.EndInsertAtTop(false);
    QCOMPARE(model.rowCount(), 4);
    QCOMPARE(model.index(0, 1).data().toString(), u"鳥"_qs);

    // The store shrinks before the model is told: the row past its end is drawn empty.
    dictionary.wordList.RemoveAt(3);
    --dictionary.wordCount;
    QVERIFY(!model.index(3, 0).data().isValid());
    model.SetItemCount(dictionary.wordCount);
    QCOMPARE(model.rowCount(), 3);
}

QTEST_GUILESS_MAIN(WordListModelTest)
#include "word_list_model_test.moc"
