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

struct Manager {
    Manager() {
        opened = ime::OpenInputMethod(spec);
        counting = std::make_unique<CountingIme>(*opened.ime);
        counting->RegisterWord(u"ふじ", 8, u"富士");
        dictionary = std::make_unique<Dictionary>(*counting);
        window = std::make_unique<ManagerWindow>(*dictionary, settings);
        window->Start();
        other.show();
    }
    QStringList Words() {
        QStringList words;
        auto& model = window->view().wordModel();
        for (int row = 0; row < model.rowCount(); ++row)
            words << model.index(row, 1).data().toString();
        return words;
    }
    // Starts the quick-add program with these words; it registers them on "go".
    void StartQuickAdd(QProcess& quickAdd, const QStringList& words) {
        quickAdd.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        quickAdd.start(QStringLiteral(WK_QUICKADD_DRIVER),
                       QStringList{QString::fromStdString(spec)} + words);
        QVERIFY(quickAdd.waitForReadyRead(20000));
        QCOMPARE(quickAdd.readLine(), QByteArray("ready\n"));
    }

    QTemporaryDir folder;
    std::string spec = "embedded:" + folder.filePath(u"words.sqlite"_qs).toStdString();
    MessageLog messages;
    ime::OpenedInputMethod opened;
    std::unique_ptr<CountingIme> counting;
    QtSettingsStore settings;
    std::unique_ptr<Dictionary> dictionary;
    std::unique_ptr<ManagerWindow> window;
    QWidget other;
};

}  // namespace

class QuickAddProtocolTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QuietPlatformNotes(); }
    void wordsAppearAtTheNextActivation();
    void bothRegisterAtOnce();
};

void QuickAddProtocolTest::wordsAppearAtTheNextActivation() {
    Manager manager;
    QVERIFY(Activate(manager.other));
    QProcess quickAdd;
    manager.StartQuickAdd(quickAdd, {u"かわ/川"_qs, u"やま/山"_qs, u"うみ/海"_qs});
    quickAdd.write("go\n");
    QVERIFY(quickAdd.waitForFinished(20000));
    QCOMPARE(quickAdd.exitCode(), 0);
    QCOMPARE(StoredSetting(u"TermChange"_qs).toInt(), 1);
    QCOMPARE(manager.Words(), QStringList{u"富士"_qs});

    // Three registrations, one reload.
    QVERIFY(Activate(manager.window->frame()));
    QTRY_COMPARE(manager.counting->enumerations, 2);
    QCOMPARE(manager.Words(), (QStringList{u"海"_qs, u"川"_qs, u"富士"_qs, u"山"_qs}));
    QCOMPARE(StoredSetting(u"TermChange"_qs).toInt(), 0);
    QVERIFY(Activate(manager.other) && Activate(manager.window->frame()));
    QTest::qWait(50);
    QCOMPARE(manager.counting->enumerations, 2);
    QVERIFY(manager.messages.requests.empty());
}

void QuickAddProtocolTest::bothRegisterAtOnce() {
    Manager manager;
    QStringList theirs;
    for (int i = 0; i < 40; ++i) theirs << u"ほか%1/他%1"_qs.arg(i);
    QProcess quickAdd;
    manager.StartQuickAdd(quickAdd, theirs);
    quickAdd.write("go\n");
    QVERIFY(quickAdd.waitForBytesWritten(5000));
    for (int i = 0; i < 40; ++i) {
        const std::u16string number = ToU16(QString::number(i));
        QVERIFY(manager.counting->RegisterWord(u"じぶん" + number, 1, u"自分" + number));
    }
    QVERIFY(quickAdd.waitForFinished(20000));
    QCOMPARE(quickAdd.exitCode(), 0);

    QVERIFY(Activate(manager.other) && Activate(manager.window->frame()));
    QTRY_COMPARE(manager.counting->enumerations, 2);
    const QStringList words = manager.Words();
    QCOMPARE(words.size(), 81);
    for (int i = 0; i < 40; ++i)
        QVERIFY(words.contains(u"他%1"_qs.arg(i)) && words.contains(u"自分%1"_qs.arg(i)));
}

WK_MANAGER_TEST_MAIN(QuickAddProtocolTest)
#include "quick_add_protocol_test.moc"
