// SPDX-License-Identifier: MIT
#include "wordkeeper_view.h"

#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGestureEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleHints>
#include <QTapAndHoldGesture>

#include <algorithm>
#include <memory>
#include <new>
#include <optional>
#include <tuple>
#include <unordered_map>

#include "bulk_progress.h"
#include "commands.h"
#include "core/messages.h"
#include "core/word_checks.h"
#include "file_dialogs.h"
#include "find_reading_dlg.h"
#include "ime/backend.h"
#include "skeleton/main_frame.h"
#include "skeleton/message_box.h"
#include "textfile/text_commands.h"
#include "window_state.h"
#include "word_edit_dlg.h"

namespace wk {

namespace {

const QString kDeleteQuestion = QStringLiteral("選択された単語を削除してよろしいですか?");
const QString kReplaceQuestion = QStringLiteral("同じﾌｧｲﾙが存在します。ﾌｧｲﾙを置き換えますか?");
const QString kEmptyDictionary = QStringLiteral("辞書に単語が登録されていません");

// The text-file commands' messages in the view's boxes; a progress window is taken away
// before the first of them. Refused records are offered as the details of the next box.
class ViewMessages final : public textfile::MessageSink {
  public:
    explicit ViewMessages(QWidget* owner, BulkProgress* progress = nullptr)
        : owner_(owner), progress_(progress) {}
    void Show(textfile::MessageKind kind, std::u16string_view text,
              std::u16string_view detail) override {
        if (progress_ != nullptr) progress_->Close();
        if (kind == textfile::MessageKind::Memory) {
            ShowApplicationMessage(owner_, text, detail);
        } else {
            if (omitted_ > 0) refused_ << QStringLiteral("ほか %1 行").arg(omitted_);
            ShowNotice(owner_, text, detail, refused_.join(u'\n'));
        }
        refused_.clear();
        omitted_ = 0;
    }
    void Refused(const textfile::RefusedLine& refused) override {
        // A box holds a readable number of them; the rest are counted.
        if (refused_.size() < kMaxListed) {
            refused_ << ToQString(textfile::RefusedLineText(refused));
        } else {
            ++omitted_;
        }
    }

  private:
    static constexpr qsizetype kMaxListed = 1000;
    QWidget* owner_;
    BulkProgress* progress_;
    QStringList refused_;
    std::int64_t omitted_ = 0;
};

// Whether anything at all has that name: a file, a folder, a link (also a broken one).
bool NameTaken(const std::string& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0;
}

// A word as the list holds it, to find it again after the entries have moved.
using WordKey = std::tuple<std::u16string, std::u16string, std::uint32_t>;

WordKey KeyOf(const WordEntryView& entry) {
    return {std::u16string(entry.reading), std::u16string(entry.word), entry.style};
}

struct WordKeyHash {
    std::size_t operator()(const WordKey& key) const {
        const std::size_t reading = std::hash<std::u16string>()(std::get<0>(key));
        const std::size_t word = std::hash<std::u16string>()(std::get<1>(key));
        return reading ^ (word * 31) ^ std::get<2>(key);
    }
};

}  // namespace

bool ReplaceWordAt(Dictionary& dictionary, int position, std::u16string_view reading,
                   std::u16string_view word, int posIndex) {
    const EntryRef old = dictionary.wordList.EntryAt(position);
    if (!old || posIndex < 0 || posIndex >= dictionary.posTable().Count()) return false;
    std::unique_ptr<WordEntry> fresh;
    try {
        fresh = std::make_unique<WordEntry>();
        const PosStyle& row = dictionary.posTable().Row(posIndex);
        fresh->reading.assign(reading);
        fresh->word.assign(word);
        fresh->posName = row.description;
        fresh->style = row.style;
        fresh->serial = old->serial;
    } catch (const std::bad_alloc&) {
        return false;
    }
    dictionary.wordList.SetEntryAt(position, std::move(fresh));
    return true;
}

// Marks a command that may open modal windows; an activation that arrives meanwhile is
// handled when the command is over, not in the middle of it.
class CWordkeeperView::CommandScope {
  public:
    explicit CommandScope(CWordkeeperView& view) : view_(view) { ++view_.busy_; }
    ~CommandScope() {
        if (--view_.busy_ == 0 && view_.notePending_) {
            view_.notePending_ = false;
            view_.OnFrameActivated();
        }
    }
    CommandScope(const CommandScope&) = delete;
    CommandScope& operator=(const CommandScope&) = delete;

  private:
    CWordkeeperView& view_;
};

CWordkeeperView::CWordkeeperView(Dictionary& dictionary, SettingsStore& settings, QWidget* parent)
    : QTableView(parent), dictionary_(dictionary), settings_(settings) {
    setObjectName(QStringLiteral("wordkeeperView"));
    dictionary_.ClearWords();
    dictionary_.sortState() = SortState{};

    model_ = new WordListModel(dictionary_, this);
    setModel(model_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setTabKeyNavigation(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

    QHeaderView* rows = verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(fontMetrics().height() + 6);

    QHeaderView* columns = horizontalHeader();
    columns->setSectionsClickable(true);
    columns->setSortIndicatorShown(false);
    columns->setHighlightSections(false);
    // The last column takes whatever width the others leave.
    columns->setStretchLastSection(true);
    columns->setMinimumSectionSize(settings::kMinColumnWidth);
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (int column = 0; column < kColumnCount; ++column)
        columns->resizeSection(column,
                               settings::kDefaultColumnWidths[static_cast<std::size_t>(column)]);
    connect(columns, &QHeaderView::sectionClicked, this, &CWordkeeperView::OnColumnClick);

    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CWordkeeperView::OnUpdateCommandStates);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            &CWordkeeperView::OnUpdateCommandStates);
    connect(model_, &QAbstractItemModel::modelReset, this, &CWordkeeperView::OnUpdateCommandStates);
    const auto countChanged = [this] { emit itemCountChanged(model_->itemCount()); };
    connect(model_, &QAbstractItemModel::modelReset, this, countChanged);
    connect(model_, &QAbstractItemModel::rowsInserted, this, countChanged);
    connect(model_, &QAbstractItemModel::rowsRemoved, this, countChanged);

    // A press held for the platform's long-press time opens the context menu.
    QTapAndHoldGesture::setTimeout(QGuiApplication::styleHints()->mousePressAndHoldInterval());
    viewport()->grabGesture(Qt::TapAndHoldGesture);
}

CWordkeeperView::~CWordkeeperView() {
    OnDestroy();
    RestoreCursor();
}

QAction* CWordkeeperView::Action(int id) const {
    return frame_ != nullptr ? frame_->action(id) : nullptr;
}

void CWordkeeperView::AttachFrame(CMainFrame& frame) {
    frame_ = &frame;
    const auto bind = [this](int id, void (CWordkeeperView::*handler)()) {
        if (QAction* action = Action(id)) connect(action, &QAction::triggered, this, handler);
    };
    bind(cmd::kNewWord, &CWordkeeperView::OnNewWord);
    bind(cmd::kChangeWord, &CWordkeeperView::OnChangeWord);
    bind(cmd::kDeleteWords, &CWordkeeperView::OnDeleteWords);
    bind(cmd::kEditFind, &CWordkeeperView::OnFindReading);
    bind(cmd::kFindNext, &CWordkeeperView::OnFindNext);
    bind(cmd::kBulkRegister, &CWordkeeperView::OnBulkRegister);
    bind(cmd::kExportText, &CWordkeeperView::OnExportText);
    bind(cmd::kMultiSelect, &CWordkeeperView::OnMultiSelect);
    bind(cmd::kSelectAll, &CWordkeeperView::OnSelectAll);
    bind(cmd::kRefresh, &CWordkeeperView::OnRefresh);
    connect(&frame, &CMainFrame::activated, this, &CWordkeeperView::OnFrameActivated);
    connect(&frame, &CMainFrame::closing, this, &CWordkeeperView::OnDestroy);
    OnUpdateCommandStates();
}

void CWordkeeperView::OnInitialUpdate() {
    const auto widths = BeginManagerSession(settings_, viewport()->width());
    for (int column = 0; column < kColumnCount; ++column)
        horizontalHeader()->resizeSection(column, widths[static_cast<std::size_t>(column)]);
    dictionary_.LoadPosTable();
    Refresh();
    initialised_ = true;
    OnUpdateCommandStates();
}

void CWordkeeperView::OnDestroy() {
    if (destroyed_) return;
    destroyed_ = true;
    if (!initialised_) return;
    std::array<std::int32_t, 3> widths{};
    for (int column = 0; column < kColumnCount; ++column)
        widths[static_cast<std::size_t>(column)] = horizontalHeader()->sectionSize(column);
    if (!SaveColumnWidths(settings_, widths)) ShowNotice(this, msg::kWidthsNotSaved);
}

void CWordkeeperView::ShowWaitCursor() {
    // Shown once however often it is asked for, so one restore always brings the normal
    // cursor back.
    if (waitCursorShown_) return;
    waitCursorShown_ = true;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

void CWordkeeperView::RestoreCursor() {
    if (!waitCursorShown_) return;
    waitCursorShown_ = false;
    QGuiApplication::restoreOverrideCursor();
}

void CWordkeeperView::DeleteAllItems() { model_->DeleteAllItems(); }

void CWordkeeperView::SetItemCount(int count) { model_->SetItemCount(count); }

void CWordkeeperView::SetColumnText(int column, const std::u16string& text) {
    model_->SetColumnText(column, ToQString(text));
}

void CWordkeeperView::RedrawAll() {
    model_->RedrawAll();
    viewport()->update();
}

std::vector<int> CWordkeeperView::SelectedPositions() const {
    std::vector<int> positions;
    const int count = std::min(model_->itemCount(), dictionary_.wordCount);
    for (const QItemSelectionRange& range : selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom() && row < count; ++row)
            positions.push_back(row);
    }
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    return positions;
}

void CWordkeeperView::OnUpdateCommandStates() {
    if (QAction* change = Action(cmd::kChangeWord)) change->setEnabled(currentIndex().isValid());
    if (QAction* remove = Action(cmd::kDeleteWords))
        remove->setEnabled(selectionModel()->hasSelection());
    if (QAction* multi = Action(cmd::kMultiSelect)) multi->setChecked(multiSelect_);
}

void CWordkeeperView::Refresh() {
    if (!dictionary_.RefreshWords(*this))
        ShowNotice(this, msg::kIncompleteRead, ErrorDetailOf(dictionary_.ime()));
}

bool CWordkeeperView::AddWordAtTop(std::u16string_view reading, std::u16string_view word,
                                   int posIndex) {
    model_->BeginInsertAtTop();
    const bool added = dictionary_.AddWord(reading, word, posIndex) != nullptr;
    model_->EndInsertAtTop(added);
    viewport()->update();
    return added;
}

void CWordkeeperView::OnNewWord() {
    CommandScope scope(*this);
    CWordEditDlg dialog(dictionary_, this);
    dialog.SetFields(QString(), QString(), -1);
    dialog.SetWordAdder([this](std::u16string_view reading, std::u16string_view word,
                               int posIndex) { return AddWordAtTop(reading, word, posIndex); });
    dialog.exec();
    // The new words stay at the top until the next sort or refresh.
}

void CWordkeeperView::OnChangeWord() {
    const QModelIndex current = currentIndex();
    if (!current.isValid()) return;
    ChangeWordAt(current.row());
}

void CWordkeeperView::ChangeWordAt(int position) {
    CommandScope scope(*this);
    if (position < 0 || position >= dictionary_.wordCount) return;
    const EntryRef entry = dictionary_.wordList.EntryAt(position);
    if (!entry) return;
    CWordEditDlg dialog(dictionary_, this);
    dialog.SetFields(ToQString(entry->reading), ToQString(entry->word),
                     dictionary_.posTable().PosIndexOfStyle(entry->style));
    // A word whose style has no row opens the dialog in new mode.
    dialog.SetWordAdder([this](std::u16string_view reading, std::u16string_view word,
                               int posIndex) { return AddWordAtTop(reading, word, posIndex); });
    const int result = dialog.exec();
    if (result == CWordEditDlg::kResultChanged) {
        if (!ReplaceWordAt(dictionary_, position, ToU16(dialog.editReading()),
                           ToU16(dialog.editWord()), dialog.posIndex())) {
            ShowApplicationMessage(this, msg::kOutOfMemory);
        }
        RedrawAll();
    } else if (dialog.oldWordLost()) {
        // The input method no longer has the old word: show what it has.
        Refresh();
    }
}

void CWordkeeperView::OnDeleteWords() {
    CommandScope scope(*this);
    if (!selectionModel()->hasSelection()) return;
    if (!AskYesNo(this, kDeleteQuestion)) return;
    const std::vector<int> positions = SelectedPositions();
    const int focused = currentIndex().isValid() ? currentIndex().row() : -1;

    ShowWaitCursor();
    bool refused = false;
    std::u16string why;
    InputMethod& ime = dictionary_.ime();
    BulkProgress progress(this, BulkProgress::Work::Delete);
    textfile::ReadProgress done;
    done.totalBytes = positions.size();
    std::vector<int> removed;
    removed.reserve(positions.size());
    std::u16string reading, word;
    // Many words are written together where the input method can; one by one otherwise.
    std::unique_ptr<RegistrationBatch> batch = positions.size() > 1 ? ime.BeginBatch() : nullptr;
    // From the bottom up; the list loses the removed entries in one pass at the end. A
    // cancel in the progress window ends the removals behind the current word.
    for (auto it = positions.rbegin(); it != positions.rend(); ++it) {
        const EntryRef entry = dictionary_.wordList.EntryAt(*it);
        if (!entry) continue;
        reading.assign(entry->reading);
        word.assign(entry->word);
        if (!ime.UnregisterWord(reading, entry->style, word)) {
            refused = true;
            why = ErrorDetailOf(ime);
            break;
        }
        removed.push_back(*it);
        done.lines = done.bytesRead = removed.size();
        if (!progress.Update(done)) break;
    }
    const std::size_t lost = batch != nullptr ? batch->Finish() : 0;
    progress.Close();
    // Removals answered but then not written are still in the dictionary; which ones is
    // not known, so the list is read again.
    if (lost > 0) {
        if (!refused) why = ErrorDetailOf(ime);
        refused = true;
        Refresh();
    } else {
        std::reverse(removed.begin(), removed.end());
        dictionary_.wordCount -= dictionary_.wordList.RemovePositions(removed);
    }
    RestoreCursor();

    // Whether all went or a refusal stopped it, the list follows the store before the
    // message can let it draw again.
    SetItemCount(dictionary_.wordCount);
    clearSelection();
    if (focused >= 0 && focused < model_->itemCount()) {
        selectionModel()->setCurrentIndex(model_->index(focused, 0), QItemSelectionModel::NoUpdate);
    }
    RedrawAll();
    if (refused) ShowNotice(this, msg::kCannotDelete, why);
}

void CWordkeeperView::OnFindReading() {
    CommandScope scope(*this);
    CFindReadingDlg dialog(this);
    dialog.SetReading(ToQString(lastFind_));
    if (dialog.exec() != CFindReadingDlg::kResultFind || dialog.findReading().isEmpty()) return;
    lastFind_ = ToU16(dialog.findReading());
    SelectFound(dictionary_.FindReading(lastFind_));
}

void CWordkeeperView::OnFindNext() {
    if (lastFind_.empty()) {
        OnFindReading();
        return;
    }
    CommandScope scope(*this);
    const int count = std::min(model_->itemCount(), dictionary_.wordCount);
    const int start = currentIndex().isValid() ? currentIndex().row() + 1 : 0;
    int position =
        start > 0 && start < count ? dictionary_.wordList.FindReading(lastFind_, start) : -1;
    if (position < 0) position = dictionary_.FindReading(lastFind_);
    SelectFound(position);
}

void CWordkeeperView::SelectFound(int position) {
    clearSelection();
    if (position < 0 || position >= model_->itemCount()) {
        ShowNotice(this, msg::kNotFound);
        return;
    }
    const QModelIndex target = model_->index(position, 0);
    scrollTo(target, QAbstractItemView::EnsureVisible);
    selectionModel()->select(target, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    selectionModel()->setCurrentIndex(target, QItemSelectionModel::NoUpdate);
}

std::string CWordkeeperView::StartFolder() const {
    QString folder = windowState_ != nullptr ? windowState_->LastFolder() : QString();
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) folder = DocumentsFolder();
    return QFile::encodeName(folder).toStdString();
}

void CWordkeeperView::RememberFolder(const std::string& file) {
    if (windowState_ == nullptr) return;
    windowState_->SaveLastFolder(QFileInfo(QFile::decodeName(file.c_str())).absolutePath());
}

void CWordkeeperView::OnBulkRegister() {
    CommandScope scope(*this);
    textfile::FileRequest request = textfile::OpenTextRequest(StartFolder());
    if (DoGetOpenFileName(this, request) != 1) return;
    RememberFolder(request.file);
    BulkProgress progress(this);
    ViewMessages messages(this, &progress);
    textfile::BulkRegisterFile(
        request.file, dictionary_, *this, messages,
        [&progress](const textfile::ReadProgress& read) { return progress.Update(read); });
}

void CWordkeeperView::OnExportText() {
    CommandScope scope(*this);
    textfile::FileRequest request = textfile::SaveTextRequest(StartFolder());
    // The name may still get ".txt", so the question about an existing file is asked below,
    // once, and not by the dialog.
    request.flags &= ~static_cast<std::uint32_t>(GS_FILE_OVERWRITE_PROMPT);
    if (DoGetSaveFileName(this, request) != 1) return;
    RememberFolder(request.file);
    const std::string path = textfile::WithTextExtension(request.file);
    if (NameTaken(path) && AskYesNoCancel(this, kReplaceQuestion) != QMessageBox::Yes) return;
    ViewMessages messages(this);
    textfile::ExportFile(
        path, dictionary_, *this, messages, textfile::EncodingOfFilter(request.filterIndex),
        textfile::FormatOfFilter(request.filterIndex), ime::KeptFilesOfEveryInputMethod());
}

void CWordkeeperView::OnMultiSelect() {
    multiSelect_ = !multiSelect_;
    // In multiple selection a plain tap adds a row to the selection or takes it out.
    setSelectionMode(multiSelect_ ? QAbstractItemView::MultiSelection
                                  : QAbstractItemView::ExtendedSelection);
    OnUpdateCommandStates();
}

void CWordkeeperView::OnSelectAll() { selectAll(); }

void CWordkeeperView::OnRefresh() { Refresh(); }

void CWordkeeperView::OnColumnClick(int column) {
    // The selection and the focus stay with their words, wherever the sort puts them.
    const int count = std::min(model_->itemCount(), dictionary_.wordCount);
    const std::vector<int> selected = SelectedPositions();
    const bool allSelected = count > 0 && static_cast<int>(selected.size()) == count;
    std::unordered_map<WordKey, int, WordKeyHash> wanted;  // how many of each word
    if (!allSelected) {
        for (int position : selected) {
            if (const EntryRef entry = dictionary_.wordList.EntryAt(position))
                ++wanted[KeyOf(*entry)];
        }
    }
    const QModelIndex current = currentIndex();
    std::optional<WordKey> focused;
    if (current.isValid() && current.row() < count) {
        if (const EntryRef entry = dictionary_.wordList.EntryAt(current.row()))
            focused = KeyOf(*entry);
    }

    dictionary_.OnColumnClick(column, *this);
    if (wanted.empty() && !focused) return;

    int focusRow = -1;
    QItemSelection selection;
    int runStart = -1;
    const auto closeRun = [&](int end) {
        if (runStart >= 0)
            selection.select(model_->index(runStart, 0), model_->index(end - 1, kColumnCount - 1));
        runStart = -1;
    };
    for (int position = 0; position < count; ++position) {
        const EntryRef entry = dictionary_.wordList.EntryAt(position);
        bool take = false;
        if (entry && (!wanted.empty() || (focused && focusRow < 0))) {
            const WordKey key = KeyOf(*entry);
            if (focused && focusRow < 0 && key == *focused) focusRow = position;
            if (const auto found = wanted.find(key); found != wanted.end()) {
                take = true;
                if (--found->second == 0) wanted.erase(found);
            }
        }
        if (take && runStart < 0) runStart = position;
        if (!take) closeRun(position);
        if (wanted.empty() && (!focused || focusRow >= 0) && runStart < 0) break;
    }
    closeRun(count);
    if (!allSelected) selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (focusRow >= 0) {
        const QModelIndex target = model_->index(focusRow, current.column());
        selectionModel()->setCurrentIndex(target, QItemSelectionModel::NoUpdate);
        scrollTo(target, QAbstractItemView::EnsureVisible);
    }
}

void CWordkeeperView::OnFrameActivated() {
    if (!initialised_ || destroyed_) return;
    if (busy_ > 0) {
        notePending_ = true;
        return;
    }
    CheckQuickAddNote(settings_, [this] { Refresh(); });
}

QMenu* CWordkeeperView::CreateContextMenu() {
    OnUpdateCommandStates();
    auto* menu = new QMenu(ToQString(msg::kMenuEdit), this);
    menu->setObjectName(QStringLiteral("menu132"));
    for (int id :
         {cmd::kNewWord, cmd::kChangeWord, cmd::kDeleteWords, cmd::kSeparator, cmd::kSelectAll}) {
        if (id == cmd::kSeparator) {
            menu->addSeparator();
        } else if (QAction* action = Action(id)) {
            menu->addAction(action);
        }
    }
    return menu;
}

QPoint CWordkeeperView::KeyboardMenuPosition() const {
    const QRect row = visualRect(currentIndex());
    const QPoint local = currentIndex().isValid() && viewport()->rect().intersects(row)
                             ? row.bottomLeft()
                             : QPoint(0, 0);
    return viewport()->mapToGlobal(local);
}

void CWordkeeperView::ShowContextMenu(const QPoint& globalPosition) {
    if (frame_ == nullptr) return;
    CommandScope scope(*this);
    std::unique_ptr<QMenu> menu(CreateContextMenu());
    menu->exec(globalPosition);
}

void CWordkeeperView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QTableView::mouseDoubleClickEvent(event);
        return;
    }
    const QModelIndex index = indexAt(event->position().toPoint());
    // Below the last row nothing happens, and the list does not see the double-click.
    if (!index.isValid()) return;
    ChangeWordAt(index.row());
    QTableView::mouseDoubleClickEvent(event);
}

QModelIndex CWordkeeperView::moveCursor(CursorAction cursorAction,
                                        Qt::KeyboardModifiers modifiers) {
    // Home and End go to the first and the last word, not along the row.
    const int rows = model_->rowCount();
    if ((cursorAction == MoveHome || cursorAction == MoveEnd) && rows > 0) {
        const int column = currentIndex().isValid() ? currentIndex().column() : 0;
        return model_->index(cursorAction == MoveHome ? 0 : rows - 1, column);
    }
    return QTableView::moveCursor(cursorAction, modifiers);
}

void CWordkeeperView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        ShowContextMenu(KeyboardMenuPosition());
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void CWordkeeperView::paintEvent(QPaintEvent* event) {
    QTableView::paintEvent(event);
    if (!initialised_ || model_->itemCount() > 0) return;
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::Disabled, QPalette::Text));
    painter.drawText(viewport()->rect().adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap,
                     kEmptyDictionary);
}

void CWordkeeperView::contextMenuEvent(QContextMenuEvent* event) {
    ShowContextMenu(event->reason() == QContextMenuEvent::Keyboard ? KeyboardMenuPosition()
                                                                   : event->globalPos());
    event->accept();
}

bool CWordkeeperView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Gesture) {
        auto* gestures = static_cast<QGestureEvent*>(event);
        if (auto* hold =
                static_cast<QTapAndHoldGesture*>(gestures->gesture(Qt::TapAndHoldGesture))) {
            gestures->accept(hold);
            if (hold->state() == Qt::GestureFinished) ShowContextMenu(hold->position().toPoint());
            return true;
        }
    }
    return QTableView::viewportEvent(event);
}

}  // namespace wk
