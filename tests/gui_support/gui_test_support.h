// SPDX-License-Identifier: MIT
// Helpers for the widget tests: a private settings folder and the programs' shared settings
// in it, and modal windows answered from a timer so that no test waits for a human.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <type_traits>

namespace wk::testing {

// Call before the application object exists.
inline void PrepareGuiTestEnvironment() {
    static QTemporaryDir folder;
    qputenv("XDG_CONFIG_HOME", folder.path().toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", folder.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
}

inline QSettings SharedSettings() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, u"Quillwren"_qs,
                     u"Wordkeeper"_qs);
}
inline QVariant StoredSetting(const QString& name) {
    return SharedSettings().value(u"WordkeeperSetting/"_qs + name);
}
inline void StoreSetting(const QString& name, const QVariant& value) {
    SharedSettings().setValue(u"WordkeeperSetting/"_qs + name, value);
}

// Drops the offscreen platform's notes on features it lacks; call once QTest's handler is set.
inline void QuietPlatformNotes() {
    static QtMessageHandler previous = nullptr;
    previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
            if (!message.startsWith(QLatin1String("This plugin does not support")))
                previous(type, context, message);
        });
}

template <class T = QLineEdit>
T* Child(QWidget* parent, const char* name) {
    return parent->findChild<T*>(QString::fromLatin1(name));
}

inline void Press(QWidget* parent, const char* button) {
    QTest::mouseClick(Child<QPushButton>(parent, button), Qt::LeftButton);
}

// Edits both fields first, so that 登録 is enabled even for an empty text.
inline void TypeAndRegister(QWidget* dialog, const QString& reading, const QString& word) {
    for (const auto& [name, text] :
         {std::pair{"readingEdit", reading}, std::pair{"wordEdit", word}}) {
        Child(dialog, name)->insert(u"x"_qs);
        Child(dialog, name)->setText(text);
    }
    Press(dialog, "registerButton");
}

inline bool Activate(QWidget& window) {
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

inline void CloseAllModals() {
    while (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible())
            dialog->done(QDialog::Rejected);
    }
}

// Runs an action on the next visible active modal T (QMenu: pop-up). When none comes in time,
// or it stays open that long after the action, every modal is closed and ok() is false.
class ModalWatch {
  public:
    bool ran = false;

    template <class T>
    ModalWatch(std::function<void(T*)> action, int timeoutMs) {
        QObject::connect(&poll_, &QTimer::timeout, [this, action, timeoutMs] {
            T* found =
                qobject_cast<T*>(std::is_base_of_v<QMenu, T> ? QApplication::activePopupWidget()
                                                             : QApplication::activeModalWidget());
            if (found == nullptr || !found->isVisible()) return;
            poll_.stop();
            ran = true;
            target_ = found;
            deadline_.start(timeoutMs);
            action(found);
        });
        QObject::connect(&deadline_, &QTimer::timeout, [this] {
            poll_.stop();
            if (ok()) return;
            timedOut_ = true;
            CloseAllModals();
        });
        deadline_.setSingleShot(true);
        poll_.start(5);
        deadline_.start(timeoutMs);
    }
    bool ok() const { return ran && !timedOut_ && !(target_ && target_->isVisible()); }

  private:
    bool timedOut_ = false;
    QTimer poll_;
    QTimer deadline_;
    QPointer<QWidget> target_;
};

template <class T>
std::unique_ptr<ModalWatch> WhenModal(std::function<void(T*)> action, int timeoutMs = 5000) {
    return std::make_unique<ModalWatch>(std::move(action), timeoutMs);
}

}  // namespace wk::testing

#define WK_GUI_TEST_MAIN(TestClass, programInfo)         \
    int main(int argc, char** argv) {                    \
        wk::testing::PrepareGuiTestEnvironment();        \
        wk::CWordkeeperApp app(argc, argv, programInfo); \
        TestClass test;                                  \
        return QTest::qExec(&test, argc, argv);          \
    }
