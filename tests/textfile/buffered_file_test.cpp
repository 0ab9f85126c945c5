#include "textfile/buffered_file.h"

#include "memory_file.h"

#include <gtest/gtest.h>

#include <string>

namespace wk::textfile {
namespace {

// Taken in steps of 3 bytes, the file comes whole whatever the buffer's capacity.
TEST(BufferedFile, ReadsExactlyTheFileWhateverTheCapacity) {
    const std::pair<std::string, std::int32_t> cases[] = {
        {"", 4},         {"abc", 4}, {"abcd", 4},
        {"abcdefgh", 4}, {"ab", 1},  {std::string(40000, 'q') + "z", 16384}};
    for (const auto& [bytes, capacity] : cases) {
        MemoryFile memory(bytes);
        CBufferedFile file;
        ASSERT_EQ(file.OpenRead(&memory, capacity), 0);
        std::string taken(bytes.size() + 3, '\0');
        std::int32_t total = 0, n;
        while ((n = file.GetBytes(reinterpret_cast<std::uint8_t*>(&taken[total]), 3)) > 0)
            total += n;
        EXPECT_EQ(taken.substr(0, total), bytes) << capacity;
    }
}

}  // namespace
}  // namespace wk::textfile
