// The word list model checked by Qt's model tester while the store changes under it.
#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include "core/dictionary.h"
#include "fake_ime.h"
#include "manager/word_list_model.h"

using namespace wk;
using namespace wk::testing;

class WordListModelTest : public QObject {
    Q_OBJECT
  private slots:
    void servesRowsFromTheStore();
    void followsEveryKindOfChange();
    void rowsBeyondTheStoreAreEmpty();
};

namespace {

void Fill(FakeIme& ime, Dictionary& dictionary) {
    ime.words = {{u"いぬ", 1, u"犬"}, {u"ねこ", 1, u"猫"}, {u"なぞ", 77, u"謎"}};
    dictionary.LoadPosTable();
}

}  // namespace

void WordListModelTest::servesRowsFromTheStore() {
    FakeIme ime;
    Dictionary dictionary(ime);
    Fill(ime, dictionary);
    WordListModel model(dictionary);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.columnCount(), 3);
    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), u"読み△"_qs);
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), u"語句"_qs);

    // The refresh tells the model the count, as it tells the list.
    struct ModelDisplay final : ListDisplay {
        WordListModel& model;
        explicit ModelDisplay(WordListModel& m) : model(m) {}
        void ShowWaitCursor() override {}
        void RestoreCursor() override {}
        void DeleteAllItems() override { model.DeleteAllItems(); }
        void SetItemCount(int count) override { model.SetItemCount(count); }
        void SetColumnText(int, const std::u16string&) override {}
        void RedrawAll() override { model.RedrawAll(); }
    } display(model);
    QVERIFY(dictionary.RefreshWords(display));
    QCOMPARE(model.rowCount(), 3);
    for (int row = 0; row < 3; ++row) {
        const WordEntry* entry = dictionary.wordList.EntryAt(row);
        QCOMPARE(model.data(model.index(row, 0)).toString(),
                 QString::fromStdU16String(entry->reading));
        QCOMPARE(model.data(model.index(row, 1)).toString(),
                 QString::fromStdU16String(entry->word));
        QCOMPARE(model.data(model.index(row, 2)).toString(),
                 QString::fromStdU16String(entry->posName));
    }
    // An entry whose style has no row shows an empty part of speech.
    QCOMPARE(model.data(model.index(1, 2)).toString(), QString());
    QVERIFY(!model.data(model.index(0, 0), Qt::EditRole).isValid());
    QVERIFY(!(model.flags(model.index(0, 0)) & Qt::ItemIsEditable));
}

void WordListModelTest::followsEveryKindOfChange() {
    FakeIme ime;
    Dictionary dictionary(ime);
    Fill(ime, dictionary);
    WordListModel model(dictionary);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    NullListDisplay quiet;
    dictionary.RefreshWords(quiet);
    model.SetItemCount(dictionary.wordCount);

    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy headers(&model, &QAbstractItemModel::headerDataChanged);
    model.BeginInsertAtTop();
    dictionary.AddWord(u"とり", u"鳥", 0);
    model.EndInsertAtTop(true);
    QCOMPARE(model.rowCount(), 4);
    // A word that could not be stored after all leaves the count as it was.
    model.BeginInsertAtTop();
    model.EndInsertAtTop(false);
    QCOMPARE(model.rowCount(), 4);
    QCOMPARE(model.data(model.index(0, 1)).toString(), u"鳥"_qs);

    model.SetColumnText(1, u"単語▽"_qs);
    QCOMPARE(headers.count(), 1);
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), u"単語▽"_qs);
    model.SetColumnText(7, u"x"_qs);  // no such column: ignored
    QCOMPARE(headers.count(), 1);

    dictionary.wordList.Sort(SortField::Word, false);
    model.RedrawAll();
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.first().at(1).value<QModelIndex>(), model.index(3, 2));
    model.RedrawRow(2);
    model.RedrawRow(9);
    QCOMPARE(changed.count(), 2);

    dictionary.wordList.RemoveAt(0);
    --dictionary.wordCount;
    model.SetItemCount(dictionary.wordCount);
    QCOMPARE(model.rowCount(), 3);
    model.DeleteAllItems();
    QCOMPARE(model.rowCount(), 0);
    model.RedrawAll();  // nothing to redraw
    QCOMPARE(changed.count(), 2);
}

void WordListModelTest::rowsBeyondTheStoreAreEmpty() {
    FakeIme ime;
    Dictionary dictionary(ime);
    Fill(ime, dictionary);
    WordListModel model(dictionary);
    NullListDisplay quiet;
    dictionary.RefreshWords(quiet);
    model.SetItemCount(dictionary.wordCount);
    // The store shrinks before the list is told: the row past its end is drawn empty.
    dictionary.wordList.RemoveAt(2);
    --dictionary.wordCount;
    QVERIFY(!model.data(model.index(2, 0)).isValid());
    QVERIFY(model.data(model.index(1, 0)).isValid());
    model.SetItemCount(-5);
    QCOMPARE(model.rowCount(), 0);
}

QTEST_GUILESS_MAIN(WordListModelTest)
#include "word_list_model_test.moc"
