// The word list model checked by Qt's model tester while the store changes under it.
#include <QAbstractItemModelTester>
#include <QSignalSpy>
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
    ime.words = {{u"いぬ", 1, u"犬"}, {u"ねこ", 1, u"猫"}, {u"なぞ", 77, u"謎"}};
    Dictionary dictionary(ime);
    dictionary.LoadPosTable();
    WordListModel model(dictionary);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.columnCount(), 3);
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), u"語句"_qs);

    NullListDisplay quiet;
    dictionary.RefreshWords(quiet);
    model.SetItemCount(dictionary.wordCount);
    const QStringList expected{u"いぬ|犬|名詞"_qs, u"なぞ|謎|"_qs, u"ねこ|猫|名詞"_qs};
    for (int row = 0; row < 3; ++row) {
        QStringList cells;
        for (int column = 0; column < 3; ++column)
            cells << model.index(row, column).data().toString();
        QCOMPARE(cells.join(u'|'), expected[row]);
    }
    QVERIFY(!model.index(0, 0).data(Qt::EditRole).isValid());
    QVERIFY(!(model.flags(model.index(0, 0)) & Qt::ItemIsEditable));

    // A new word arrives at the top; one that could not be stored leaves no row.
    model.BeginInsertAtTop();
    dictionary.AddWord(u"とり", u"鳥", 0);
    model.EndInsertAtTop(true);
    model.BeginInsertAtTop();
    model.EndInsertAtTop(false);
    QCOMPARE(model.rowCount(), 4);
    QCOMPARE(model.index(0, 1).data().toString(), u"鳥"_qs);

    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy headers(&model, &QAbstractItemModel::headerDataChanged);
    model.SetColumnText(1, u"単語▽"_qs);
    model.SetColumnText(7, u"x"_qs);
    QCOMPARE(headers.count(), 1);
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), u"単語▽"_qs);
    dictionary.wordList.Sort(SortField::Word, false);
    model.RedrawAll();
    model.RedrawRow(9);
    QCOMPARE(changed.count(), 1);

    // The store shrinks before the model is told: the row past its end is drawn empty.
    dictionary.wordList.RemoveAt(3);
    --dictionary.wordCount;
    QVERIFY(!model.index(3, 0).data().isValid());
    model.SetItemCount(dictionary.wordCount);
    QCOMPARE(model.rowCount(), 3);
    model.DeleteAllItems();
    QCOMPARE(model.rowCount(), 0);
}

QTEST_GUILESS_MAIN(WordListModelTest)
#include "word_list_model_test.moc"
