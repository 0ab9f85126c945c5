// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QByteArray>

#include "skeleton/qt_settings_store.h"
#include "temp_folder.h"

namespace wk {
namespace {

class QtSettingsStoreTest : public ::testing::Test {
  protected:
    void SetUp() override { qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(folder.path)); }
    void Write(const std::string& content) {
        testing::WriteFile(folder.Path("Quillwren/Wordkeeper.conf"), content);
    }
    testing::TempFolder folder;
};

TEST_F(QtSettingsStoreTest, ValuesOfTheWrongTypeReadAsMissing) {
    Write(
        "[WordkeeperSetting]\n"
        "ColumnWidth0=120\n"
        "ColumnWidth1=abc\n"
        "ColumnWidth2=-1\n"
        "TermChange=99999999999\n"
        "TermReadAdd=1.5\n"
        "TermWordAdd=\"@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\aQPointF\\0@\\0\\0\\0\\0\\0\\0\\0@"
        "\\b\\0\\0\\0\\0\\0\\0)\"\n"
        "TermPOSAdd=1, 2\n"
        "[InputMethod]\n"
        "Backend=anthy\n");
    QtSettingsStore store;
    EXPECT_EQ(store.ReadInt("ColumnWidth0"), 120);
    EXPECT_EQ(store.ReadInt("ColumnWidth2"), -1);
    for (const char* name :
         {"ColumnWidth1", "TermChange", "TermReadAdd", "TermWordAdd", "TermPOSAdd", "Missing"})
        EXPECT_EQ(store.ReadInt(name), std::nullopt) << name;
    EXPECT_EQ(QtSettingsStore::InputMethodSetting(), "anthy");
}

// Qt calls a malformed file a format error but writes the note: it must count as stored.
TEST_F(QtSettingsStoreTest, NoteIsStoredInAMalformedFile) {
    const std::string files[] = {
        std::string("\x00\x01\x02\xff[[[\n", 8),
        "TermChange=0\n[WordkeeperSetting]\n\"x\n",
        "[WordkeeperSetting]\nTermChange=@ByteArray(\\0\\xff\n",
    };
    for (const std::string& content : files) {
        Write(content);
        QtSettingsStore quickAdd;
        EXPECT_TRUE(LeaveQuickAddNote(quickAdd)) << content;
        EXPECT_EQ(QtSettingsStore().ReadInt("TermChange"), 1) << content;
    }
}

}  // namespace
}  // namespace wk
