#include <gtest/gtest.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include "skeleton/qt_settings_store.h"

namespace wk {
namespace {

class QtSettingsStoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = QDir::tempPath() + "/wk-settings-" + QString::number(::getpid());
        QDir(dir).removeRecursively();
        qputenv("XDG_CONFIG_HOME", dir.toUtf8());
        file = dir + "/Quillwren/Wordkeeper.conf";
    }
    void TearDown() override { QDir(dir).removeRecursively(); }
    void Write(const QByteArray& content) {
        QDir().mkpath(dir + "/Quillwren");
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    QString dir, file;
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

// Qt reports a malformed file as a format error, but still writes the note: it must count
// as stored, or every program would warn about a note that was in fact left.
TEST_F(QtSettingsStoreTest, NoteIsStoredInAMalformedFile) {
    const QByteArray files[] = {
        QByteArray("\x00\x01\x02\xff[[[\n", 8),
        "TermChange=0\n[WordkeeperSetting]\n\"x\n",
        "[WordkeeperSetting]\nTermChange=@ByteArray(\\0\\xff\n",
    };
    for (const QByteArray& content : files) {
        Write(content);
        QtSettingsStore quickAdd;
        EXPECT_TRUE(LeaveQuickAddNote(quickAdd)) << content.toStdString();
        EXPECT_EQ(QtSettingsStore().ReadInt("TermChange"), 1) << content.toStdString();
    }
}

}  // namespace
}  // namespace wk
