// Running out of memory while the list takes up a new or changed word. The program's
// allocations go through a replacement operator new that can be told to fail.
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <atomic>
#include <cstdlib>
#include <new>

#include "core/word_checks.h"
#include "manager/word_edit_dlg.h"
#include "manager_test_support.h"

namespace {

// 0: allocations succeed; n > 0: the n-th allocation from now fails, once.
std::atomic<int> failAllocation{0};

void* Allocate(std::size_t size) {
    if (failAllocation.load() > 0 && failAllocation.fetch_sub(1) == 1) throw std::bad_alloc();
    if (void* block = std::malloc(size != 0 ? size : 1)) return block;
    throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

using namespace wk;
using namespace wk::testing;

namespace {

// Accepts words and then makes the next allocation fail.
class StarvingIme final : public InputMethod {
  public:
    std::vector<PosStyle> GetRegisterWordStyles() override { return inner.styles; }
    bool EnumRegisterWord(const EnumWordCallback& callback) override {
        return inner.EnumRegisterWord(callback);
    }
    bool RegisterWord(const std::u16string& reading, std::uint32_t style,
                      const std::u16string& word) override {
        const bool accepted = inner.RegisterWord(reading, style, word);
        if (accepted) failAllocation = 1;
        return accepted;
    }
    bool UnregisterWord(const std::u16string& reading, std::uint32_t style,
                        const std::u16string& word) override {
        return inner.UnregisterWord(reading, style, word);
    }
    FakeIme inner;
};

}  // namespace

class OutOfMemoryTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QuietPlatformNotes(); }
    void cleanup() { failAllocation = 0; }
    void changedWordStaysDisplayable_data();
    void changedWordStaysDisplayable();
    void newWordNotStoredIsReported();
};

void OutOfMemoryTest::changedWordStaysDisplayable_data() {
    QTest::addColumn<int>("failing");  // which allocation of the copy fails
    QTest::addColumn<bool>("replaced");
    QTest::newRow("the entry") << 1 << false;
    QTest::newRow("the reading") << 2 << false;
    QTest::newRow("the word") << 3 << false;
    QTest::newRow("none") << 4 << true;
}

void OutOfMemoryTest::changedWordStaysDisplayable() {
    QFETCH(int, failing);
    QFETCH(bool, replaced);
    FakeIme ime;
    Dictionary dictionary(ime);
    dictionary.LoadPosTable();
    // Long texts, so that every string needs storage of its own.
    const std::u16string oldReading(20, u'あ');
    const std::u16string oldWord(20, u'亜');
    QVERIFY(dictionary.AddWord(oldReading, oldWord, 0));
    const std::u16string newReading(30, u'い');
    const std::u16string newWord(30, u'伊');
    failAllocation = failing;
    const bool result = ReplaceWordAt(dictionary, 0, newReading, newWord, 2);
    failAllocation = 0;
    QCOMPARE(result, replaced);
    const WordEntry* entry = dictionary.wordList.EntryAt(0);
    QVERIFY(entry != nullptr);
    QCOMPARE(dictionary.wordCount, 1);
    if (replaced) {
        QVERIFY(entry->reading == newReading && entry->word == newWord);
        QVERIFY(entry->posName == u"地名" && entry->style == 3);
    } else {
        QVERIFY(entry->reading == oldReading && entry->word == oldWord);
        QVERIFY(entry->posName == u"名詞" && entry->style == 1);
    }
}

void OutOfMemoryTest::newWordNotStoredIsReported() {
    StarvingIme ime;
    Dictionary dictionary(ime);
    dictionary.LoadPosTable();
    MessageLog messages;
    CWordEditDlg dialog(dictionary);
    dialog.show();
    // Short texts fit the strings' own storage, so the entry is the first allocation.
    auto* reading = dialog.findChild<QLineEdit*>(u"edit1001"_qs);
    auto* word = dialog.findChild<QLineEdit*>(u"edit1002"_qs);
    reading->setText(u"ゆき"_qs);
    word->setText(u"雪"_qs);
    QTest::mouseClick(dialog.findChild<QPushButton*>(u"button1"_qs), Qt::LeftButton);
    failAllocation = 0;
    QCOMPARE(messages.texts(), QStringList{ToQString(msg::kOutOfMemory)});
    QCOMPARE(messages.requests.front().kind, MessageKind::Application);
    QCOMPARE(messages.requests.front().caption, u"Wordkeeper"_qs);
    QVERIFY(dialog.isVisible());
    QCOMPARE(reading->text(), u"ゆき"_qs);
    QCOMPARE(word->text(), u"雪"_qs);
    QCOMPARE(dictionary.wordCount, 0);
    QVERIFY(ime.inner.Has(u"ゆき", 1, u"雪"));
}

WK_MANAGER_TEST_MAIN(OutOfMemoryTest)
#include "out_of_memory_test.moc"
