// A manager window on a fake input method, with its messages answered and recorded.
#pragma once

#include <QAbstractItemModelTester>
#include <QSettings>
#include <QStringList>
#include <QTest>

#include <memory>
#include <vector>

#include "core/dictionary.h"
#include "fake_ime.h"
#include "gui_test_support.h"
#include "manager/commands.h"
#include "manager/manager_window.h"
#include "skeleton/application.h"
#include "skeleton/message_box.h"
#include "skeleton/qt_settings_store.h"

namespace wk::testing {

// Records every message box instead of showing it; questions get `answer`.
class MessageLog {
  public:
    MessageLog() {
        SetMessageHook([this](const MessageRequest& request) {
            requests.push_back(request);
            return answer;
        });
    }
    ~MessageLog() { SetMessageHook({}); }
    MessageLog(const MessageLog&) = delete;
    MessageLog& operator=(const MessageLog&) = delete;

    QStringList texts() const {
        QStringList list;
        for (const MessageRequest& request : requests) list << request.text;
        return list;
    }

    std::vector<MessageRequest> requests;
    bool answer = true;
};

// Empties the shared settings section.
inline void ClearSettings() {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quillwren"),
                       QStringLiteral("Wordkeeper"));
    settings.clear();
    settings.sync();
}

inline QVariant StoredSetting(const QString& name) {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quillwren"),
                       QStringLiteral("Wordkeeper"));
    return settings.value(QStringLiteral("WordkeeperSetting/") + name);
}

inline void StoreSetting(const QString& name, const QVariant& value) {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quillwren"),
                       QStringLiteral("Wordkeeper"));
    settings.setValue(QStringLiteral("WordkeeperSetting/") + name, value);
    settings.sync();
}

struct Session {
    explicit Session(std::vector<FakeIme::Word> words = {}) { ime.words = std::move(words); }

    // Opens the window as the program does and makes it the active window.
    bool Start() {
        window = std::make_unique<ManagerWindow>(dictionary, settings);
        window->Start();
        tester = std::make_unique<QAbstractItemModelTester>(
            &window->view().wordModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        window->frame().activateWindow();
        return QTest::qWaitForWindowActive(&window->frame());
    }

    CMainFrame& frame() { return window->frame(); }
    CWordkeeperView& view() { return window->view(); }
    WordListModel& model() { return window->view().wordModel(); }
    QAction* action(int id) { return window->frame().action(id); }

    QString Cell(int row, int column) {
        return model().data(model().index(row, column)).toString();
    }
    QStringList Column(int column) {
        QStringList texts;
        for (int row = 0; row < model().rowCount(); ++row) texts << Cell(row, column);
        return texts;
    }
    QStringList Headers() {
        QStringList texts;
        for (int column = 0; column < 3; ++column)
            texts << model().headerData(column, Qt::Horizontal).toString();
        return texts;
    }
    // The list, the store and the input method agree.
    bool InLine() {
        return model().rowCount() == dictionary.wordCount &&
               dictionary.wordList.Count() == dictionary.wordCount;
    }
    void Select(std::initializer_list<int> rows) {
        for (int row : rows)
            view().selectionModel()->select(
                model().index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    void Focus(int row) {
        view().selectionModel()->setCurrentIndex(model().index(row, 0),
                                                 QItemSelectionModel::NoUpdate);
    }
    QList<int> SelectedRows() {
        QList<int> rows;
        for (const QModelIndex& index : view().selectionModel()->selectedRows())
            rows << index.row();
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    QPoint RowCenter(int row) { return view().visualRect(model().index(row, 0)).center(); }

    MessageLog messages;
    FakeIme ime;
    QtSettingsStore settings;
    Dictionary dictionary{ime};
    std::unique_ptr<ManagerWindow> window;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

// Twelve words in the order the input method reports them.
inline std::vector<FakeIme::Word> SampleWords() {
    return {{u"やま", 1, u"山"},       {u"かわ", 1, u"川"},       {u"たなか", 2, u"田中"},
            {u"おおさか", 3, u"大阪"}, {u"たべる", 4, u"食べる"}, {u"うみ", 1, u"海"},
            {u"さとう", 2, u"佐藤"},   {u"きょうと", 3, u"京都"}, {u"みる", 4, u"見る"},
            {u"そら", 1, u"空"},       {u"かわ", 1, u"皮"},       {u"はし", 1, u"橋"}};
}

}  // namespace wk::testing

// A test program with the manager's application object in a private settings folder.
#define WK_MANAGER_TEST_MAIN(TestClass)                               \
    int main(int argc, char** argv) {                                 \
        wk::testing::PrepareGuiTestEnvironment();                     \
        wk::CWordkeeperApp app(argc, argv, wk::ManagerProgramInfo()); \
        TestClass test;                                               \
        return QTest::qExec(&test, argc, argv);                       \
    }
