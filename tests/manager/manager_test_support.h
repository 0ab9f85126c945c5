// SPDX-License-Identifier: MIT
// A manager window on a fake input method, with its message boxes recorded and answered.
#pragma once

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QLabel>

#include "fake_ime.h"
#include "gui_test_support.h"
#include "manager/commands.h"
#include "manager/manager_window.h"
#include "skeleton/message_box.h"
#include "skeleton/qt_settings_store.h"

namespace wk::testing {

class MessageLog {
  public:
    MessageLog() {
        SetMessageHook([this](const MessageRequest& request) {
            requests.push_back(request);
            return answer;
        });
    }
    ~MessageLog() { SetMessageHook({}); }
    QStringList texts() const {
        QStringList list;
        for (const MessageRequest& request : requests) list << request.text;
        return list;
    }
    std::vector<MessageRequest> requests;
    bool answer = true;  // for questions
};

// Sorted by reading: うみ 海, おおさか 大阪, かわ 皮, かわ 川, きょうと 京都, さとう 佐藤,
// そら 空, たなか 田中, たべる 食べる, はし 橋, みる 見る, やま 山.
inline std::vector<FakeIme::Word> SampleWords() {
    return {{u"やま", 1, u"山"},       {u"かわ", 1, u"川"},       {u"たなか", 2, u"田中"},
            {u"おおさか", 3, u"大阪"}, {u"たべる", 4, u"食べる"}, {u"うみ", 1, u"海"},
            {u"さとう", 2, u"佐藤"},   {u"きょうと", 3, u"京都"}, {u"みる", 4, u"見る"},
            {u"そら", 1, u"空"},       {u"かわ", 1, u"皮"},       {u"はし", 1, u"橋"}};
}

struct Session {
    explicit Session(std::vector<FakeIme::Word> words = SampleWords()) {
        ime.words = std::move(words);
    }

    bool Start() {
        window = std::make_unique<ManagerWindow>(dictionary, settings);
        window->Start();
        tester = std::make_unique<QAbstractItemModelTester>(
            &model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        frame().activateWindow();
        return QTest::qWaitForWindowActive(&frame());
    }
    CMainFrame& frame() { return window->frame(); }
    CWordkeeperView& view() { return window->view(); }
    WordListModel& model() { return view().wordModel(); }
    QAction* action(int id) { return frame().action(id); }
    QString Cell(int row, int column) { return model().index(row, column).data().toString(); }
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
    QString Status() { return frame().findChild<QLabel*>(u"statusText"_qs)->text(); }
    void TapHeader(int column) {
        QHeaderView* header = view().horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 4, 5));
    }
    bool MatchesIme() {
        bool same = model().rowCount() == dictionary.wordCount &&
                    dictionary.wordCount == static_cast<int>(ime.words.size());
        for (int row = 0; same && row < model().rowCount(); ++row) {
            const EntryRef entry = dictionary.wordList.EntryAt(row);
            same = entry && ime.Has({std::u16string(entry->reading), entry->style,
                                     std::u16string(entry->word)});
        }
        return same;
    }
    void Select(const QList<int>& rows) {
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

}  // namespace wk::testing
