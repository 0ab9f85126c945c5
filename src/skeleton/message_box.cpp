#include "message_box.h"

#include <QPushButton>
#include <QWidget>

#include "application.h"

namespace wk {

namespace {

MessageHook& Hook() {
    static MessageHook hook;
    return hook;
}

const QString kConfirmCaption = QStringLiteral("確認");

bool Run(const MessageRequest& request) {
    if (const MessageHook& hook = Hook()) return hook(request);
    QMessageBox* box = CreateMessageBox(request);
    const int answer = box->exec();
    delete box;
    return answer == QMessageBox::Yes;
}

}  // namespace

void SetMessageHook(MessageHook hook) { Hook() = std::move(hook); }

QMessageBox* CreateMessageBox(const MessageRequest& request) {
    auto* box = new QMessageBox(request.owner);
    box->setObjectName(QStringLiteral("messageBox"));
    box->setWindowTitle(request.caption);
    box->setText(request.text);
    box->setTextFormat(Qt::PlainText);
    if (request.kind == MessageKind::Question) {
        box->setIcon(QMessageBox::Question);
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box->setDefaultButton(QMessageBox::Yes);
        box->setEscapeButton(QMessageBox::No);
    } else {
        box->setIcon(QMessageBox::Warning);
        box->setStandardButtons(QMessageBox::Ok);
        box->setDefaultButton(QMessageBox::Ok);
    }
    return box;
}

void ShowNotice(QWidget* owner, const QString& text) {
    Run({owner, MessageKind::Notice, kConfirmCaption, text});
}

void ShowNotice(QWidget* owner, std::u16string_view text) { ShowNotice(owner, ToQString(text)); }

bool AskYesNo(QWidget* owner, const QString& text) {
    return Run({owner, MessageKind::Question, kConfirmCaption, text});
}

void ShowApplicationMessage(QWidget* owner, const QString& text) {
    Run({owner, MessageKind::Application, ApplicationCaption(), text});
}

void ShowApplicationMessage(QWidget* owner, std::u16string_view text) {
    ShowApplicationMessage(owner, ToQString(text));
}

}  // namespace wk
