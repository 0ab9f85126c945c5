// The two programs on one embedded store and one settings file: the manager runs here,
// the quick-add program in a process of its own (quick_add_driver types into its form).
#include <QProcess>

#include "ime/backend.h"
#include "manager_test_support.h"

using namespace wk;
using namespace wk::testing;

namespace {

// The manager's store, with its enumerations counted: one per reload.
class CountingIme final : public InputMethod {
  public:
    explicit CountingIme(InputMethod& store) : store_(store) {}
    std::vector<PosStyle> GetRegisterWordStyles() override {
        return store_.GetRegisterWordStyles();
    }
    bool EnumRegisterWord(const EnumWordCallback& callback) override {
        ++enumerations;
        return store_.EnumRegisterWord(callback);
    }
    bool RegisterWord(const std::u16string& r, std::uint32_t s, const std::u16string& w) override {
        return store_.RegisterWord(r, s, w);
    }
    bool UnregisterWord(const std::u16string& r, std::uint32_t s,
                        const std::u16string& w) override {
        return store_.UnregisterWord(r, s, w);
    }
    int enumerations = 0;

  private:
    InputMethod& store_;
};

bool Activate(QWidget& window) {
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

}  // namespace

class QuickAddProtocolTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QuietPlatformNotes(); }
    void registeringBesideTheManager();
};

void QuickAddProtocolTest::registeringBesideTheManager() {
    QTemporaryDir folder;
    const std::string storeName = "embedded:" + folder.filePath(u"words.sqlite"_qs).toStdString();
    MessageLog messages;
    ime::OpenedInputMethod opened = ime::OpenInputMethod(storeName);
    CountingIme ime(*opened.ime);
    QtSettingsStore settings;
    Dictionary dictionary(ime);
    ManagerWindow manager(dictionary, settings);
    manager.Start();
    QWidget other;
    other.show();
    QVERIFY(Activate(other));

    // The manager in the background registers its words while the quick-add program
    // registers its own.
    QStringList theirs;
    for (int i = 0; i < 40; ++i) theirs << u"ほか%1/他%1"_qs.arg(i);
    QProcess quickAdd;
    quickAdd.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    quickAdd.start(QStringLiteral(WK_QUICKADD_DRIVER),
                   QStringList{QString::fromStdString(storeName)} + theirs);
    QVERIFY(quickAdd.waitForReadyRead(20000));
    QCOMPARE(quickAdd.readLine(), QByteArray("ready\n"));
    quickAdd.write("go\n");
    QVERIFY(quickAdd.waitForBytesWritten(5000));
    for (int i = 0; i < 40; ++i) {
        const std::u16string number = ToU16(QString::number(i));
        QVERIFY(ime.RegisterWord(u"じぶん" + number, 1, u"自分" + number));
    }
    QVERIFY(quickAdd.waitForFinished(20000));
    QCOMPARE(quickAdd.exitCode(), 0);
    QCOMPARE(StoredSetting(u"TermChange"_qs).toInt(), 1);
    QCOMPARE(manager.view().wordModel().rowCount(), 0);

    // Forty registrations, one reload at the next activation, and every word there.
    QVERIFY(Activate(manager.frame()));
    QTRY_COMPARE(ime.enumerations, 2);
    QStringList words;
    for (int row = 0; row < manager.view().wordModel().rowCount(); ++row)
        words << manager.view().wordModel().index(row, 1).data().toString();
    QCOMPARE(words.size(), 80);
    for (int i = 0; i < 40; ++i)
        QVERIFY(words.contains(u"他%1"_qs.arg(i)) && words.contains(u"自分%1"_qs.arg(i)));
    QCOMPARE(StoredSetting(u"TermChange"_qs).toInt(), 0);
    QVERIFY(Activate(other) && Activate(manager.frame()));
    QTest::qWait(50);
    QCOMPARE(ime.enumerations, 2);
    QVERIFY(messages.requests.empty());
}

WK_MANAGER_TEST_MAIN(QuickAddProtocolTest)
#include "quick_add_protocol_test.moc"
