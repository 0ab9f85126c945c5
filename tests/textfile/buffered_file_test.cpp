#include "textfile/buffered_file.h"

#include <gtest/gtest.h>

#include <string>

namespace wk::textfile {
namespace {

TEST(BufferedFile, StartsEmptyAndRefusesEverythingBeforeOpening) {
    CBufferedFile file;
    EXPECT_EQ(file.file(), nullptr);
    EXPECT_EQ(file.capacity(), 0);
    EXPECT_EQ(file.filled(), 0);
    EXPECT_EQ(file.position(), 0);
    EXPECT_EQ(file.mode(), 0u);
    const std::uint8_t byte = 'x';
    EXPECT_EQ(file.GetByte(), 0);
    EXPECT_EQ(file.PutByte('x'), 1);
    EXPECT_EQ(file.PutBytes(&byte, 1), 1);
    EXPECT_EQ(file.Flush(), 1);
}

TEST(BufferedFile, OpenResults) {
    struct Case {
        bool write;
        bool withFile;
        std::int32_t capacity;
        int result;
    };
    const Case cases[] = {
        {true, true, 15, 1},  {true, true, 16, 0},    {true, true, 0, 1},  {true, true, -5, 1},
        {true, false, 16, 1}, {false, true, 1, 0},    {false, true, 0, 1}, {false, false, 16, 1},
        {false, true, -1, 1}, {true, true, 16384, 0},
    };
    for (const Case& c : cases) {
        MemoryFile memory("abc");
        CBufferedFile file;
        OpenFile* target = c.withFile ? &memory : nullptr;
        const int result =
            c.write ? file.OpenWrite(target, c.capacity) : file.OpenRead(target, c.capacity);
        EXPECT_EQ(result, c.result) << c.write << " " << c.withFile << " " << c.capacity;
        const std::uint32_t mode = c.result != 0 ? 0u
                                   : c.write     ? CBufferedFile::kModeWrite
                                                 : CBufferedFile::kModeRead;
        EXPECT_EQ(file.mode(), mode);
    }
}

TEST(BufferedFile, WrongModeChangesNothing) {
    MemoryFile memory("abc");
    CBufferedFile reading;
    ASSERT_EQ(reading.OpenRead(&memory, 16), 0);
    EXPECT_EQ(reading.PutByte('x'), 1);
    EXPECT_EQ(reading.PutBytes("xy", 2), 1);
    EXPECT_EQ(reading.Flush(), 1);
    EXPECT_EQ(reading.GetByte(), 'a');

    MemoryFile out;
    {
        CBufferedFile writing;
        ASSERT_EQ(writing.OpenWrite(&out, 16), 0);
        EXPECT_EQ(writing.GetByte(), 0);
        std::uint8_t block[4];
        EXPECT_EQ(writing.GetBytes(block, 4), 0);
    }
    EXPECT_EQ(out.bytes(), "");
}

// GetByte refills as soon as the last byte of a full buffer is taken; GetBytes takes the
// same bytes in the same steps.
TEST(BufferedFile, ReadsExactlyTheFileWhateverTheCapacity) {
    struct Case {
        std::string bytes;
        std::int32_t capacity;
    };
    const Case cases[] = {
        {"", 4},          {"abc", 4}, {"abcd", 4}, {"abcdefgh", 4},
        {"abcdefghi", 4}, {"a", 1},   {"ab", 1},   {std::string(40000, 'q') + "z", 16384}};
    for (const Case& c : cases) {
        MemoryFile memory(c.bytes);
        CBufferedFile bytewise;
        ASSERT_EQ(bytewise.OpenRead(&memory, c.capacity), 0);
        std::string got;
        for (std::size_t i = 0; i < c.bytes.size(); ++i) got.push_back(char(bytewise.GetByte()));
        EXPECT_EQ(got, c.bytes);
        EXPECT_EQ(bytewise.GetByte(), 0) << "end of " << c.bytes.size() << " bytes";
        EXPECT_LT(bytewise.filled(), c.capacity);

        MemoryFile again(c.bytes);
        CBufferedFile blockwise;
        ASSERT_EQ(blockwise.OpenRead(&again, c.capacity), 0);
        std::string taken(c.bytes.size() + 10, '\0');
        std::int32_t total = 0;
        while (true) {
            const std::int32_t n =
                blockwise.GetBytes(reinterpret_cast<std::uint8_t*>(taken.data()) + total, 3);
            if (n == 0) break;
            total += n;
        }
        taken.resize(static_cast<std::size_t>(total));
        EXPECT_EQ(taken, c.bytes);
    }
}

TEST(BufferedFile, ExactMultipleRefillsWithNothingThenEnds) {
    MemoryFile memory("abcdefgh");
    CBufferedFile file;
    ASSERT_EQ(file.OpenRead(&memory, 4), 0);
    for (int i = 0; i < 8; ++i) file.GetByte();
    EXPECT_EQ(file.filled(), 0);
    EXPECT_EQ(file.position(), 0);
    EXPECT_EQ(file.GetByte(), 0);
}

TEST(BufferedFile, ReadErrorEndsTheBytesAndIsRemembered) {
    MemoryFile memory(std::string(10, 'a'));
    memory.FailReadsFrom(5);
    CBufferedFile file;
    ASSERT_EQ(file.OpenRead(&memory, 4), 0);
    std::string got;
    for (int i = 0; i < 10; ++i) got.push_back(char(file.GetByte()));
    EXPECT_EQ(got, std::string("aaaa") + std::string(6, '\0'));
    EXPECT_TRUE(file.readFailed());
}

TEST(BufferedFile, WritesFullBlocksAtOnceAndTheRestOnFlush) {
    MemoryFile out;
    CBufferedFile file;
    ASSERT_EQ(file.OpenWrite(&out, 16), 0);
    for (int i = 0; i < 15; ++i) EXPECT_EQ(file.PutByte('a'), 0);
    EXPECT_EQ(out.bytes().size(), 0u);
    EXPECT_EQ(file.PutByte('b'), 0);
    EXPECT_EQ(out.bytes(), std::string(15, 'a') + "b");
    EXPECT_EQ(file.position(), 0);
    EXPECT_EQ(file.PutBytes("0123456789012345678", 19), 0);
    EXPECT_EQ(out.bytes().size(), 32u);
    EXPECT_EQ(file.PutBytes("x", 0), 0);
    EXPECT_EQ(file.PutBytes("x", -3), 0);
    EXPECT_EQ(file.Flush(), 0);
    EXPECT_EQ(out.bytes(), std::string(15, 'a') + "b0123456789012345678");
    EXPECT_EQ(file.Flush(), 0);  // nothing left, still fine
}

TEST(BufferedFile, DestructionFlushes) {
    MemoryFile out;
    {
        CBufferedFile file;
        ASSERT_EQ(file.OpenWrite(&out, 16), 0);
        file.PutBytes("tail", 4);
    }
    EXPECT_EQ(out.bytes(), "tail");
}

TEST(BufferedFile, FailedWriteIsReportedAndRemembered) {
    MemoryFile out;
    out.LimitSize(20);
    CBufferedFile file;
    ASSERT_EQ(file.OpenWrite(&out, 16), 0);
    EXPECT_EQ(file.PutBytes(std::string(16, 'a').data(), 16), 0);
    EXPECT_FALSE(file.writeFailed());
    EXPECT_EQ(file.PutBytes(std::string(16, 'b').data(), 16), 1);
    EXPECT_TRUE(file.writeFailed());
    EXPECT_EQ(file.Flush(), 1);
}

}  // namespace
}  // namespace wk::textfile
