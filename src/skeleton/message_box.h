// SPDX-License-Identifier: MIT
// The message boxes of the programs: notices and questions with the caption "確認", and the
// application's own box with the program's name as caption.
#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>
#include <string_view>

#include "qt_text.h"

class QWidget;

namespace wk {

enum class MessageKind {
    Notice,              // caption "確認", exclamation icon, OK
    Question,            // caption "確認", question icon, Yes and No, Yes the default
    QuestionWithCancel,  // the same with a Cancel button, which Escape presses too
    Application,         // caption the program's name, exclamation icon, OK
};

struct MessageRequest {
    QWidget* owner = nullptr;
    MessageKind kind = MessageKind::Notice;
    QString caption;
    QString text;
    QString detail;   // more about a failure, shown below the text; usually empty
    QString details;  // a longer account, offered behind the box's details button
};

// Replaces the boxes, for callers that answer them without a screen (tests, scripted runs):
// the hook gets every request and answers questions (true is Yes, false No). An empty hook brings
// the boxes back.
using MessageHook = std::function<bool(const MessageRequest&)>;
void SetMessageHook(MessageHook hook);

// Builds the box for a request, not yet shown; the caller owns it.
QMessageBox* CreateMessageBox(const MessageRequest& request);

// An error or notice of a view, form or dialog.
void ShowNotice(QWidget* owner, const QString& text);
void ShowNotice(QWidget* owner, std::u16string_view text, std::u16string_view detail = {},
                const QString& details = {});

// A question of a view, form or dialog: true only on Yes.
bool AskYesNo(QWidget* owner, const QString& text);

// A question that can also be cancelled: QMessageBox::Yes, No or Cancel.
QMessageBox::StandardButton AskYesNoCancel(QWidget* owner, const QString& text);

// The application's own box, for running out of memory and for start-up failures.
void ShowApplicationMessage(QWidget* owner, const QString& text);
void ShowApplicationMessage(QWidget* owner, std::u16string_view text,
                            std::u16string_view detail = {});

}  // namespace wk
