// SPDX-License-Identifier: MIT
#include "find_reading_dlg.h"

#include <QPushButton>

#include "ui_find_reading_dlg.h"

namespace wk {

CFindReadingDlg::CFindReadingDlg(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CFindReadingDlg>()) {
    ui_->setupUi(this);
    ui_->findButton->setEnabled(false);
    // Any edit enables 検索, also one that leaves the field empty.
    connect(ui_->readingEdit, &QLineEdit::textChanged, this,
            [this] { ui_->findButton->setEnabled(true); });
    connect(ui_->findButton, &QPushButton::clicked, this, &CFindReadingDlg::OnFind);
    connect(ui_->cancelButton, &QPushButton::clicked, this, &CFindReadingDlg::reject);
    ui_->readingEdit->setFocus();
}

CFindReadingDlg::~CFindReadingDlg() = default;

void CFindReadingDlg::SetReading(const QString& reading) {
    if (reading.isEmpty()) return;
    ui_->readingEdit->setText(reading);
    ui_->readingEdit->selectAll();
}

void CFindReadingDlg::OnFind() {
    findReading_ = ui_->readingEdit->text();
    done(kResultFind);
}

void CFindReadingDlg::reject() { done(kResultCancel); }

}  // namespace wk
