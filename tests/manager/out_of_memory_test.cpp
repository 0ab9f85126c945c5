// Running out of memory while the list takes up a changed word. Every allocation
// goes through this operator new, which can be told to fail once.
#include <atomic>
#include <cstdlib>
#include <new>

#include "manager/wordkeeper_view.h"
#include "manager_test_support.h"

namespace {

std::atomic<int> failAllocation{0};  // n > 0: the n-th allocation from now fails

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

class OutOfMemoryTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QuietPlatformNotes(); }
    void changedWordStaysDisplayable();
};

// Whichever allocation of the copy fails (the entry, the reading, the word), the list keeps
// the old word whole; with none failing it has the new one.
void OutOfMemoryTest::changedWordStaysDisplayable() {
    for (int failing = 1; failing <= 4; ++failing) {
        FakeIme ime;
        Dictionary dictionary(ime);
        dictionary.LoadPosTable();
        // Texts too long to fit inside the string objects, so each needs storage of its own.
        const std::u16string oldReading(20, u'あ'), oldWord(20, u'亜');
        const std::u16string newReading(30, u'い'), newWord(30, u'伊');
        QVERIFY(dictionary.AddWord(oldReading, oldWord, 0));
        failAllocation = failing;
        const bool replaced = ReplaceWordAt(dictionary, 0, newReading, newWord, 2);
        failAllocation = 0;
        QCOMPARE(replaced, failing == 4);
        const EntryRef entry = dictionary.wordList.EntryAt(0);
        QVERIFY(entry != nullptr && dictionary.wordCount == 1);
        QVERIFY(entry->reading == (replaced ? newReading : oldReading));
        QVERIFY(entry->word == (replaced ? newWord : oldWord));
        QVERIFY(entry->posName == (replaced ? u"地名" : u"名詞"));
        QCOMPARE(entry->style, replaced ? 3u : 1u);
    }
}

WK_MANAGER_TEST_MAIN(OutOfMemoryTest)
#include "out_of_memory_test.moc"
