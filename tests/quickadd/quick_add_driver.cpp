// SPDX-License-Identifier: MIT
// quick_add_driver embedded:PATH READING/WORD...: prints "ready" once WordkeeperAdd's form is
// up, waits for a line on stdin, registers each word and closes; 3 when a word did not go in.
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

#include "quickadd/quick_add_window.h"
#include "skeleton/application.h"
#include "skeleton/message_box.h"

using namespace wk;

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    CWordkeeperApp app(argc, argv, QuickAddProgramInfo());
    int failures = 0;
    SetMessageHook([&failures](const MessageRequest& request) {
        std::fprintf(stderr, "%s\n", request.text.toUtf8().constData());
        ++failures;
        return false;
    });
    QTimer::singleShot(0, [&] {
        CMainFrame* frame = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* found = qobject_cast<CMainFrame*>(widget)) frame = found;
        auto* view = frame->findChild<CWordkeeperAddView*>();
        auto* reading = view->findChild<QLineEdit*>(QStringLiteral("readingEdit"));
        auto* word = view->findChild<QLineEdit*>(QStringLiteral("wordEdit"));
        std::puts("ready");
        std::fflush(stdout);
        char line[16];
        if (std::fgets(line, sizeof line, stdin) == nullptr) ++failures;
        for (int i = 2; i < argc; ++i) {
            const QStringList fields = QString::fromUtf8(argv[i]).split(u'/');
            reading->setText(fields.value(0));
            word->setText(fields.value(1));
            view->findChild<QPushButton*>(QStringLiteral("registerButton"))->click();
            if (!word->text().isEmpty()) ++failures;
        }
        frame->close();
    });
    ProgramArguments arguments;
    arguments.imeOption = argv[1];
    const int result = RunQuickAddSession(arguments);
    return failures > 0 ? 3 : result;
}
