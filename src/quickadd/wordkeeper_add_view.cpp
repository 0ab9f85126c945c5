// SPDX-License-Identifier: MIT
#include "wordkeeper_add_view.h"

#include <QAction>

#include "commands.h"
#include "core/word_checks.h"
#include "skeleton/main_frame.h"
#include "skeleton/message_box.h"
#include "ui_quick_add_form.h"

namespace wk {

namespace {

const QString kManagerNotFound = QStringLiteral("Wordkeeperが見つかりません");

}  // namespace

CWordkeeperAddView::CWordkeeperAddView(InputMethod& ime, SettingsStore& settings,
                                       ManagerLauncher launcher, QWidget* parent)
    : QWidget(parent),
      ui_(std::make_unique<Ui::CWordkeeperAddView>()),
      ime_(ime),
      settings_(settings),
      launcher_(std::move(launcher)) {
    ui_->setupUi(this);
    const auto enableRegister = [this] { ui_->registerButton->setEnabled(true); };
    connect(ui_->readingEdit, &QLineEdit::textChanged, this, enableRegister);
    connect(ui_->wordEdit, &QLineEdit::textChanged, this, enableRegister);
    // Register is the form's default button: Enter in an edit presses it while it is enabled.
    const auto pressDefault = [this] {
        if (ui_->registerButton->isEnabled()) OnRegister();
    };
    connect(ui_->readingEdit, &QLineEdit::returnPressed, this, pressDefault);
    connect(ui_->wordEdit, &QLineEdit::returnPressed, this, pressDefault);
    connect(ui_->registerButton, &QPushButton::clicked, this, &CWordkeeperAddView::OnRegister);
    connect(ui_->startManagerButton, &QPushButton::clicked, this,
            &CWordkeeperAddView::OnStartManager);
}

CWordkeeperAddView::~CWordkeeperAddView() = default;

void CWordkeeperAddView::AttachFrame(CMainFrame& frame) {
    const auto bind = [this, &frame](int id, void (CWordkeeperAddView::*handler)()) {
        if (QAction* action = frame.action(id)) connect(action, &QAction::triggered, this, handler);
    };
    bind(cmd::kEditCut, &CWordkeeperAddView::OnEditCut);
    bind(cmd::kEditCopy, &CWordkeeperAddView::OnEditCopy);
    bind(cmd::kEditPaste, &CWordkeeperAddView::OnEditPaste);
}

void CWordkeeperAddView::OnInitialUpdate() {
    if (initialised_) return;
    initialised_ = true;
    ui_->readingEdit->setFocus();
    // An input method that cannot hand over its styles leaves the box empty, unreported.
    posTable_.Load(ime_);
    ui_->posCombo->clear();
    for (const PosStyle& row : posTable_.rows())
        ui_->posCombo->addItem(ToQString(row.description), QVariant::fromValue(row.style));
    ui_->posCombo->setCurrentIndex(posTable_.Count() > 0 ? 0 : -1);
    ui_->registerButton->setEnabled(false);
}

void CWordkeeperAddView::OnRegister() {
    const std::u16string reading = ToU16(ui_->readingEdit->text());
    const std::u16string word = ToU16(ui_->wordEdit->text());
    const int posIndex = ui_->posCombo->currentIndex();

    const FieldCheck check = CheckWordFields(reading, word);
    if (check != FieldCheck::Ok) {
        ShowNotice(this, MessageOf(check));
        return;
    }
    // Without a row of the table there is no style; the input method gets "none" and
    // answers for itself.
    const std::uint32_t style =
        posIndex >= 0 && posIndex < posTable_.Count() ? posTable_.Row(posIndex).style : kNoStyle;
    if (!ime_.RegisterWord(reading, style, word)) {
        ShowNotice(this, msg::kCannotRegister, ErrorDetailOf(ime_));
        return;
    }

    ui_->wordEdit->clear();
    ui_->readingEdit->clear();
    // Disabled only now: emptying the edits has just enabled it again. The next word is
    // typed from its reading on, wherever the focus was.
    ui_->registerButton->setEnabled(false);
    ui_->readingEdit->setFocus();
    // The word is registered whether or not the note can be written; the user hears of
    // a note that could not be left once, not at every word.
    if (!LeaveQuickAddNote(settings_) && !toldNoteNotWritten_) {
        toldNoteNotWritten_ = true;
        ShowNotice(this, msg::kNoteNotWritten);
    }
}

QLineEdit* CWordkeeperAddView::FocusedEdit() const {
    if (ui_->readingEdit->hasFocus()) return ui_->readingEdit;
    if (ui_->wordEdit->hasFocus()) return ui_->wordEdit;
    return nullptr;
}

void CWordkeeperAddView::OnEditCut() {
    if (QLineEdit* edit = FocusedEdit()) edit->cut();
}

void CWordkeeperAddView::OnEditCopy() {
    if (QLineEdit* edit = FocusedEdit()) edit->copy();
}

void CWordkeeperAddView::OnEditPaste() {
    if (QLineEdit* edit = FocusedEdit()) edit->paste();
}

void CWordkeeperAddView::OnStartManager() {
    // A manager that is there but does not start is the system's affair; the form goes on.
    if (launcher_.Launch() == ManagerLauncher::Result::NotFound)
        ShowApplicationMessage(this, kManagerNotFound);
}

}  // namespace wk
