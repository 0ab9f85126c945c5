// SPDX-License-Identifier: MIT
#include "bulk_progress.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "core/messages.h"
#include "skeleton/qt_text.h"

namespace wk {

namespace {

constexpr int kSteps = 1000;

QString CountText(BulkProgress::Work work, std::int64_t count) {
    return (work == BulkProgress::Work::Delete ? QStringLiteral("%1 個の単語を削除しました")
                                               : QStringLiteral("%1 行を読み込みました"))
        .arg(count);
}

}  // namespace

BulkProgress::BulkProgress(QWidget* owner, Work work) : owner_(owner), work_(work) {
    started_.start();
}

BulkProgress::~BulkProgress() { Close(); }

void BulkProgress::Show() {
    auto* dialog = new QProgressDialog(owner_);
    dialog->setObjectName(QStringLiteral("bulkProgress"));
    dialog->setWindowTitle(work_ == Work::Delete ? QStringLiteral("単語の削除")
                                                 : QStringLiteral("ﾃｷｽﾄﾌｧｲﾙから一括登録"));
    // Shown, it keeps the user's input away from the list until the registration ends.
    dialog->setWindowModality(Qt::WindowModal);
    auto* label = new QLabel(dialog);
    label->setObjectName(QStringLiteral("labelLines"));
    dialog->setLabel(label);
    auto* bar = new QProgressBar(dialog);
    bar->setObjectName(QStringLiteral("progressBar"));
    dialog->setBar(bar);
    auto* cancel = new QPushButton(ToQString(msg::kCancel), dialog);
    cancel->setObjectName(QStringLiteral("buttonCancel"));
    dialog->setCancelButton(cancel);
    dialog->setAutoClose(false);
    dialog->setAutoReset(false);
    dialog->setMinimumDuration(0);
    dialog->setRange(0, kSteps);
    dialog->setLabelText(CountText(work_, 0));
    dialog_ = dialog;
    dialog->show();
}

bool BulkProgress::Update(const textfile::ReadProgress& progress) {
    if (closed_ || cancelled_) return !cancelled_;
    const qint64 now = started_.elapsed();
    if (now - lastUpdate_ < kUpdateEveryMs) return true;
    lastUpdate_ = now;
    if (!dialog_ && now >= kShowAfterMs) Show();
    if (dialog_) {
        dialog_->setLabelText(CountText(work_, progress.lines));
        const std::uint64_t total = progress.totalBytes;
        dialog_->setValue(total > 0 ? static_cast<int>(progress.bytesRead * kSteps / total) : 0);
    }
    // Before the window is up only drawing goes on; clicks and keys wait, and are then
    // kept from the list by the window.
    QCoreApplication::processEvents(dialog_ ? QEventLoop::AllEvents
                                            : QEventLoop::ExcludeUserInputEvents);
    if (dialog_ && dialog_->wasCanceled()) cancelled_ = true;
    return !cancelled_;
}

void BulkProgress::Close() {
    if (closed_) return;
    closed_ = true;
    if (dialog_) {
        dialog_->hide();
        delete dialog_.data();
    }
}

}  // namespace wk
