// SPDX-License-Identifier: MIT
#include "message_box.h"

#include <QPushButton>
#include <QWidget>

#include "application.h"
#include "core/messages.h"

namespace wk {

namespace {

MessageHook& Hook() {
    static MessageHook hook;
    return hook;
}

const QString kConfirmCaption = ToQString(msg::kConfirmCaption);

QMessageBox::StandardButton Run(const MessageRequest& request) {
    if (const MessageHook& hook = Hook()) return hook(request) ? QMessageBox::Yes : QMessageBox::No;
    QMessageBox* box = CreateMessageBox(request);
    const int answer = box->exec();
    delete box;
    return static_cast<QMessageBox::StandardButton>(answer);
}

}  // namespace

void SetMessageHook(MessageHook hook) { Hook() = std::move(hook); }

QMessageBox* CreateMessageBox(const MessageRequest& request) {
    auto* box = new QMessageBox(request.owner);
    box->setObjectName(QStringLiteral("messageBox"));
    box->setWindowTitle(request.caption);
    box->setText(request.text);
    box->setTextFormat(Qt::PlainText);
    if (!request.detail.isEmpty()) box->setInformativeText(request.detail);
    if (!request.details.isEmpty()) box->setDetailedText(request.details);
    if (request.kind == MessageKind::Question) {
        box->setIcon(QMessageBox::Question);
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box->setDefaultButton(QMessageBox::Yes);
        box->setEscapeButton(QMessageBox::No);
    } else if (request.kind == MessageKind::QuestionWithCancel) {
        box->setIcon(QMessageBox::Question);
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box->setDefaultButton(QMessageBox::Yes);
        box->setEscapeButton(QMessageBox::Cancel);
    } else {
        box->setIcon(QMessageBox::Warning);
        box->setStandardButtons(QMessageBox::Ok);
        box->setDefaultButton(QMessageBox::Ok);
    }
    return box;
}

void ShowNotice(QWidget* owner, const QString& text) {
    Run({owner, MessageKind::Notice, kConfirmCaption, text, {}, {}});
}

void ShowNotice(QWidget* owner, std::u16string_view text, std::u16string_view detail,
                const QString& details) {
    Run({owner, MessageKind::Notice, kConfirmCaption, ToQString(text), ToQString(detail), details});
}

bool AskYesNo(QWidget* owner, const QString& text) {
    return Run({owner, MessageKind::Question, kConfirmCaption, text, {}, {}}) == QMessageBox::Yes;
}

QMessageBox::StandardButton AskYesNoCancel(QWidget* owner, const QString& text) {
    return Run({owner, MessageKind::QuestionWithCancel, kConfirmCaption, text, {}, {}});
}

void ShowApplicationMessage(QWidget* owner, const QString& text) {
    Run({owner, MessageKind::Application, ApplicationCaption(), text, {}, {}});
}

void ShowApplicationMessage(QWidget* owner, std::u16string_view text, std::u16string_view detail) {
    Run({owner,
         MessageKind::Application,
         ApplicationCaption(),
         ToQString(text),
         ToQString(detail),
         {}});
}

}  // namespace wk
