// SPDX-License-Identifier: MIT
// The word list of the manager: the dictionary in three columns, and the commands that act
// on it (new, change, delete, find, selection modes, refresh, sort by header).
#pragma once

#include <QTableView>

#include <string>
#include <string_view>
#include <vector>

#include "core/dictionary.h"
#include "core/settings.h"
#include "word_list_model.h"

class QMenu;

namespace wk {

class CMainFrame;
class WindowState;

// Refreshes the entry at `position` with the values of a changed word: the part of speech
// of style-table row `posIndex`. The new strings are built before anything is replaced,
// so when storage runs out the entry keeps its old values and stays displayable; the
// result is false then.
bool ReplaceWordAt(Dictionary& dictionary, int position, std::u16string_view reading,
                   std::u16string_view word, int posIndex);

class CWordkeeperView final : public QTableView, public ListDisplay {
    Q_OBJECT
  public:
    CWordkeeperView(Dictionary& dictionary, SettingsStore& settings, QWidget* parent = nullptr);
    ~CWordkeeperView() override;

    // Connects the frame's commands to this view and follows the frame's activation (the
    // quick-add note) and closing (the column widths).
    void AttachFrame(CMainFrame& frame);

    // The first update, once the view has its size: settings, style table, words.
    void OnInitialUpdate();
    // Saves the column widths; runs once, when the frame closes or the view goes away.
    void OnDestroy();

    // Where the file requests start and which folder they remember; without one they start
    // in the documents folder every time.
    void SetWindowState(WindowState* state) { windowState_ = state; }

    // ListDisplay: what the refresh and the sort need of the list.
    void ShowWaitCursor() override;
    void RestoreCursor() override;
    void DeleteAllItems() override;
    void SetItemCount(int count) override;
    void SetColumnText(int column, const std::u16string& text) override;
    void RedrawAll() override;

    WordListModel& wordModel() { return *model_; }
    Dictionary& dictionary() { return dictionary_; }

    // Positions of the selected rows, ascending.
    std::vector<int> SelectedPositions() const;

    // The list's context menu, its commands enabled as of now; the caller owns it.
    QMenu* CreateContextMenu();

  public slots:
    void OnNewWord();
    void OnChangeWord();
    void OnDeleteWords();
    void OnFindReading();
    // The next row below the focused one with the reading last looked for, from the top
    // once the end is reached; the find dialog when nothing has been looked for yet.
    void OnFindNext();
    void OnBulkRegister();
    void OnExportText();
    void OnMultiSelect();
    void OnSelectAll();
    void OnRefresh();
    void OnColumnClick(int column);
    void OnFrameActivated();
    void OnUpdateCommandStates();

  signals:
    // The number of rows shown has changed.
    void itemCountChanged(int count);

  protected:
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool viewportEvent(QEvent* event) override;

  private:
    class CommandScope;

    void ChangeWordAt(int position);
    bool AddWordAtTop(std::u16string_view reading, std::u16string_view word, int posIndex);
    void ShowContextMenu(const QPoint& globalPosition);
    // Where a menu asked for from the keyboard opens: below the focused row.
    QPoint KeyboardMenuPosition() const;
    void SelectFound(int position);
    std::string StartFolder() const;
    void RememberFolder(const std::string& file);
    void Refresh();
    QAction* Action(int id) const;

    Dictionary& dictionary_;
    SettingsStore& settings_;
    WordListModel* model_ = nullptr;
    CMainFrame* frame_ = nullptr;
    bool multiSelect_ = false;
    bool waitCursorShown_ = false;
    bool initialised_ = false;
    bool destroyed_ = false;
    int busy_ = 0;
    bool notePending_ = false;
    WindowState* windowState_ = nullptr;
    std::u16string lastFind_;
};

}  // namespace wk
