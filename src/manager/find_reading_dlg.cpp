#include "find_reading_dlg.h"

#include <QPushButton>

#include "ui_find_reading_dlg.h"

namespace wk {

CFindReadingDlg::CFindReadingDlg(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CFindReadingDlg>()) {
    ui_->setupUi(this);
    ui_->button1->setEnabled(false);
    // Any edit enables 検索, also one that leaves the field empty.
    connect(ui_->edit1000, &QLineEdit::textChanged, this,
            [this] { ui_->button1->setEnabled(true); });
    connect(ui_->button1, &QPushButton::clicked, this, &CFindReadingDlg::OnFind);
    connect(ui_->button2, &QPushButton::clicked, this, &CFindReadingDlg::reject);
    ui_->edit1000->setFocus();
}

CFindReadingDlg::~CFindReadingDlg() = default;

void CFindReadingDlg::SetReading(const QString& reading) {
    if (reading.isEmpty()) return;
    ui_->edit1000->setText(reading);
    ui_->edit1000->selectAll();
}

void CFindReadingDlg::OnFind() {
    findReading_ = ui_->edit1000->text();
    done(kResultFind);
}

void CFindReadingDlg::reject() { done(kResultCancel); }

}  // namespace wk
