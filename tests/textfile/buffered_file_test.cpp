#include "textfile/buffered_file.h"

#include "memory_file.h"

#include <gtest/gtest.h>

#include <string>

namespace wk::textfile {
namespace {

TEST(BufferedFile, OpenResultsAndModes) {
    struct Case {
        bool write, withFile;
        std::int32_t capacity;
        bool opened;
    };
    const Case cases[] = {
        {true, true, 15, false},   {true, true, 16, true}, {true, true, 0, false},
        {true, false, 16, false},  {false, true, 1, true}, {false, true, 0, false},
        {false, false, 16, false},
    };
    for (const Case& c : cases) {
        MemoryFile memory("abc");
        CBufferedFile file;
        EXPECT_EQ(file.GetByte(), 0);
        const bool opened = c.write ? file.OpenWrite(c.withFile ? &memory : nullptr, c.capacity)
                                    : file.OpenRead(c.withFile ? &memory : nullptr, c.capacity);
        EXPECT_EQ(opened, c.opened) << c.write << " " << c.withFile << " " << c.capacity;
        if (opened && !c.write) {
            file.PutBytes("xy", 2);
            file.Flush();
            EXPECT_EQ(file.GetByte(), 'a');
        }
        if (opened && c.write) EXPECT_EQ(file.GetByte(), 0);
        EXPECT_EQ(memory.bytes(), "abc");
    }
}

// GetByte refills as soon as the last byte of a full buffer is taken; GetBytes takes the
// same bytes in the same steps.
TEST(BufferedFile, ReadsExactlyTheFileWhateverTheCapacity) {
    const std::pair<std::string, std::int32_t> cases[] = {
        {"", 4},         {"abc", 4}, {"abcd", 4},
        {"abcdefgh", 4}, {"ab", 1},  {std::string(40000, 'q') + "z", 16384}};
    for (const auto& [bytes, capacity] : cases) {
        MemoryFile memory(bytes), again(bytes);
        CBufferedFile bytewise, blockwise;
        ASSERT_TRUE(bytewise.OpenRead(&memory, capacity));
        ASSERT_TRUE(blockwise.OpenRead(&again, capacity));
        std::string got, taken(bytes.size() + 3, '\0');
        for (std::size_t i = 0; i < bytes.size(); ++i) got.push_back(char(bytewise.GetByte()));
        EXPECT_EQ(got, bytes);
        EXPECT_EQ(bytewise.GetByte(), 0);
        std::int32_t total = 0, n;
        while ((n = blockwise.GetBytes(reinterpret_cast<std::uint8_t*>(&taken[total]), 3)) > 0)
            total += n;
        EXPECT_EQ(taken.substr(0, total), bytes);
    }
}

TEST(BufferedFile, WritesFullBlocksAtOnceTheRestOnFlushOrDestruction) {
    MemoryFile out;
    {
        CBufferedFile file;
        ASSERT_TRUE(file.OpenWrite(&out, 16));
        file.PutBytes("aaaaaaaaaaaaaaa", 15);
        EXPECT_EQ(out.bytes().size(), 0u);
        file.PutBytes("b", 1);
        EXPECT_EQ(out.bytes(), std::string(15, 'a') + "b");
        file.PutBytes("0123456789012345678", 19);
        file.PutBytes("x", 0);
        EXPECT_EQ(out.bytes().size(), 32u);
        file.Flush();
        file.PutBytes("tail", 4);
        EXPECT_FALSE(file.writeFailed());
    }
    EXPECT_EQ(out.bytes(), std::string(15, 'a') + "b0123456789012345678tail");
}

}  // namespace
}  // namespace wk::textfile
