// SPDX-License-Identifier: MIT
#include "word_edit_dlg.h"

#include <QPushButton>

#include "core/messages.h"
#include "core/word_checks.h"
#include "skeleton/message_box.h"
#include "ui_word_edit_dlg.h"

namespace wk {

CWordEditDlg::CWordEditDlg(Dictionary& dictionary, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CWordEditDlg>()), dictionary_(dictionary) {
    ui_->setupUi(this);
    const auto enableRegister = [this] { ui_->registerButton->setEnabled(true); };
    connect(ui_->readingEdit, &QLineEdit::textChanged, this, enableRegister);
    connect(ui_->wordEdit, &QLineEdit::textChanged, this, enableRegister);
    connect(ui_->registerButton, &QPushButton::clicked, this, &CWordEditDlg::OnRegister);
    connect(ui_->closeButton, &QPushButton::clicked, this, &CWordEditDlg::reject);
}

CWordEditDlg::~CWordEditDlg() = default;

void CWordEditDlg::SetFields(const QString& reading, const QString& word, int posIndex) {
    editReading_ = reading;
    editWord_ = word;
    posIndex_ = posIndex;
}

void CWordEditDlg::showEvent(QShowEvent* event) {
    if (!initialised_) {
        initialised_ = true;
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

void CWordEditDlg::OnInitDialog() {
    ui_->readingEdit->setText(editReading_);
    ui_->wordEdit->setText(editWord_);
    const PosTable& table = dictionary_.posTable();
    if (posIndex_ < 0 || posIndex_ >= table.Count()) {
        oldPosIndex_ = -1;
        posIndex_ = 0;
        ui_->registerButton->setEnabled(false);
    } else {
        oldReading_ = editReading_;
        oldWord_ = editWord_;
        oldPosIndex_ = posIndex_;
        oldStyle_ = table.Row(posIndex_).style;
        ui_->closeButton->setText(ToQString(msg::kCancel));
    }
    ui_->posCombo->clear();
    for (const PosStyle& row : table.rows())
        ui_->posCombo->addItem(ToQString(row.description), QVariant::fromValue(row.style));
    ui_->posCombo->setCurrentIndex(table.Count() > 0 ? posIndex_ : -1);
    ui_->readingEdit->setFocus();
}

void CWordEditDlg::ReadFields() {
    editReading_ = ui_->readingEdit->text();
    editWord_ = ui_->wordEdit->text();
    posIndex_ = ui_->posCombo->currentIndex();
}

void CWordEditDlg::OnRegister() {
    ReadFields();
    const FieldCheck check = CheckWordFields(ToU16(editReading_), ToU16(editWord_));
    if (check != FieldCheck::Ok) {
        ShowNotice(this, MessageOf(check));
        return;
    }
    if (!RegisterEditedWord()) return;
    if (changeMode()) {
        done(kResultChanged);
        return;
    }
    const std::u16string reading = ToU16(editReading_);
    const std::u16string word = ToU16(editWord_);
    const bool added = addWord_ ? addWord_(reading, word, posIndex_)
                                : dictionary_.AddWord(reading, word, posIndex_) != nullptr;
    if (!added) {
        // The word is in the input method; the list shows it after the next refresh.
        ShowApplicationMessage(this, msg::kOutOfMemory);
        return;
    }
    editReading_.clear();
    editWord_.clear();
    ui_->readingEdit->setText(editReading_);
    ui_->wordEdit->setText(editWord_);
    ui_->registerButton->setEnabled(false);
    ui_->readingEdit->setFocus();
}

namespace {

bool StillRegistered(InputMethod& ime, const std::u16string& reading, std::uint32_t style,
                     const std::u16string& word) {
    bool found = false;
    const bool complete =
        ime.EnumRegisterWord([&](const char16_t* r, std::uint32_t s, const char16_t* w) {
            found = r != nullptr && w != nullptr && s == style && reading == r && word == w;
            return found ? 0 : 1;
        });
    return found || !complete;  // a list that cannot be read is not taken as proof of loss
}

}  // namespace

bool CWordEditDlg::RegisterEditedWord() {
    InputMethod& ime = dictionary_.ime();
    const int index = posIndex_;
    const bool haveStyle =
        index >= 0 && index < ui_->posCombo->count() && index < dictionary_.posTable().Count();
    if (!haveStyle) {
        ShowNotice(this, msg::kCannotRegister, {});
        return false;
    }
    const std::uint32_t style = ui_->posCombo->itemData(index).value<std::uint32_t>();
    const std::u16string reading = ToU16(editReading_);
    const std::u16string word = ToU16(editWord_);
    if (changeMode() && oldWordInIme_) {
        // One change of the input method: the old word stays unless the new one is in.
        const std::u16string oldReading = ToU16(oldReading_);
        const std::u16string oldWord = ToU16(oldWord_);
        if (ime.ChangeWord(oldReading, oldStyle_, oldWord, reading, style, word)) return true;
        const std::u16string why = ErrorDetailOf(ime);
        // An input method without a change of its own may have lost the old word.
        if (!StillRegistered(ime, oldReading, oldStyle_, oldWord)) {
            oldWordInIme_ = false;
            oldWordLost_ = true;
        }
        ShowNotice(this, msg::kCannotRegister, why);
        return false;
    }
    if (!ime.RegisterWord(reading, style, word)) {
        ShowNotice(this, msg::kCannotRegister, ErrorDetailOf(ime));
        return false;
    }
    return true;
}

void CWordEditDlg::reject() { done(kResultClosed); }

}  // namespace wk
