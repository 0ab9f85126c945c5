#include "word_edit_dlg.h"

#include <QPushButton>

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
        ui_->closeButton->setText(QStringLiteral("ｷｬﾝｾﾙ"));
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

bool CWordEditDlg::RegisterEditedWord() {
    InputMethod& ime = dictionary_.ime();
    bool removedOld = false;
    if (changeMode() && oldWordInIme_) {
        if (!ime.UnregisterWord(ToU16(oldReading_), oldStyle_, ToU16(oldWord_))) {
            ShowNotice(this, msg::kCannotDelete, ErrorDetailOf(ime));
            return false;
        }
        removedOld = true;
    }
    const int index = posIndex_;
    const bool haveStyle =
        index >= 0 && index < ui_->posCombo->count() && index < dictionary_.posTable().Count();
    const bool registered =
        haveStyle &&
        ime.RegisterWord(ToU16(editReading_), ui_->posCombo->itemData(index).value<std::uint32_t>(),
                         ToU16(editWord_));
    if (!registered) {
        const std::u16string why = ErrorDetailOf(ime);
        // The old word must not be lost because its replacement was refused.
        if (removedOld && !ime.RegisterWord(ToU16(oldReading_), oldStyle_, ToU16(oldWord_))) {
            oldWordInIme_ = false;
            oldWordLost_ = true;
        }
        ShowNotice(this, msg::kCannotRegister, why);
        return false;
    }
    return true;
}

void CWordEditDlg::reject() { done(kResultClosed); }

}  // namespace wk
