// SPDX-License-Identifier: MIT
// Running out of memory while the list takes up a changed word; this operator new can fail once.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "fake_ime.h"
#include "manager/wordkeeper_view.h"

namespace {

std::atomic<int> failAllocation{0};  // n > 0: the n-th allocation from now fails

void* Allocate(std::size_t size) {
    if (failAllocation.load() > 0 && failAllocation.fetch_sub(1) == 1) throw std::bad_alloc();
    if (void* block = std::malloc(size != 0 ? size : 1)) return block;
    throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void operator delete(void* block) noexcept { std::free(block); }

// Whichever allocation of the copy fails (entry, reading, word), the old word stays whole.
TEST(OutOfMemory, ChangedWordStaysDisplayable) {
    for (int failing = 1; failing <= 4; ++failing) {
        wk::testing::FakeIme ime;
        wk::Dictionary dictionary(ime);
        dictionary.LoadPosTable();
        // Texts too long to fit inside the string objects, so each needs storage of its own.
        const std::u16string oldReading(20, u'あ'), oldWord(20, u'亜');
        const std::u16string newReading(30, u'い'), newWord(30, u'伊');
        ASSERT_TRUE(dictionary.AddWord(oldReading, oldWord, 0));
        failAllocation = failing;
        const bool replaced = wk::ReplaceWordAt(dictionary, 0, newReading, newWord, 2);
        failAllocation = 0;
        EXPECT_EQ(replaced, failing == 4);
        const wk::EntryRef entry = dictionary.wordList.EntryAt(0);
        ASSERT_TRUE(entry != nullptr && dictionary.wordCount == 1);
        EXPECT_TRUE(entry->reading == (replaced ? newReading : oldReading)) << failing;
        EXPECT_TRUE(entry->word == (replaced ? newWord : oldWord)) << failing;
        EXPECT_TRUE(entry->posName == (replaced ? u"地名" : u"名詞")) << failing;
        EXPECT_EQ(entry->style, replaced ? 3u : 1u);
    }
}
