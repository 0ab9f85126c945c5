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
        int result;
    };
    const Case cases[] = {
        {true, true, 15, 1}, {true, true, 16, 0}, {true, true, 0, 1},    {true, false, 16, 1},
        {false, true, 1, 0}, {false, true, 0, 1}, {false, false, 16, 1},
    };
    for (const Case& c : cases) {
        MemoryFile memory("abc");
        CBufferedFile file;
        EXPECT_EQ(file.mode(), 0u);
        EXPECT_EQ(file.GetByte(), 0);
        EXPECT_EQ(file.PutByte('x'), 1);
        const int result = c.write ? file.OpenWrite(c.withFile ? &memory : nullptr, c.capacity)
                                   : file.OpenRead(c.withFile ? &memory : nullptr, c.capacity);
        EXPECT_EQ(result, c.result) << c.write << " " << c.withFile << " " << c.capacity;
        const std::uint32_t mode = c.result != 0 ? 0u
                                   : c.write     ? CBufferedFile::kModeWrite
                                                 : CBufferedFile::kModeRead;
        EXPECT_EQ(file.mode(), mode);
        if (mode == CBufferedFile::kModeRead) {
            EXPECT_EQ(file.PutBytes("xy", 2), 1);
            EXPECT_EQ(file.Flush(), 1);
            EXPECT_EQ(file.GetByte(), 'a');
        }
        if (mode == CBufferedFile::kModeWrite) {
            EXPECT_EQ(file.GetByte(), 0);
        }
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
        ASSERT_EQ(bytewise.OpenRead(&memory, capacity), 0);
        ASSERT_EQ(blockwise.OpenRead(&again, capacity), 0);
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
        ASSERT_EQ(file.OpenWrite(&out, 16), 0);
        for (int i = 0; i < 15; ++i) EXPECT_EQ(file.PutByte('a'), 0);
        EXPECT_EQ(out.bytes().size(), 0u);
        EXPECT_EQ(file.PutByte('b'), 0);
        EXPECT_EQ(out.bytes(), std::string(15, 'a') + "b");
        EXPECT_EQ(file.PutBytes("0123456789012345678", 19), 0);
        EXPECT_EQ(file.PutBytes("x", 0), 0);
        EXPECT_EQ(out.bytes().size(), 32u);
        EXPECT_EQ(file.Flush(), 0);
        EXPECT_EQ(file.PutBytes("tail", 4), 0);
    }
    EXPECT_EQ(out.bytes(), std::string(15, 'a') + "b0123456789012345678tail");
}

}  // namespace
}  // namespace wk::textfile
