// Helpers for the widget tests: a private settings and data folder, and answering modal
// dialogs and pop-up menus from a timer so that no test waits for a human.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <type_traits>

namespace wk::testing {

// Drops the offscreen platform's notes about window-manager features it lacks. Call from
// initTestCase, once the test library's own message handler is in place.
inline void QuietPlatformNotes() {
    static QtMessageHandler previous = nullptr;
    previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
            if (type == QtWarningMsg &&
                message.startsWith(QLatin1String("This plugin does not support")))
                return;
            if (previous != nullptr) previous(type, context, message);
        });
}

// Points the settings and data folders at a fresh temporary folder and selects the
// offscreen platform unless one is given. Call before the application object exists.
inline void PrepareGuiTestEnvironment() {
    static QTemporaryDir folder;
    qputenv("XDG_CONFIG_HOME", (folder.path() + QStringLiteral("/config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", (folder.path() + QStringLiteral("/data")).toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", folder.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
}

// Closes every modal dialog and pop-up still open.
inline void CloseAllModals() {
    while (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible())
            dialog->done(QDialog::Rejected);
    }
}

// Waits for one modal window. Runs the action on the next visible widget of type T that
// becomes the active modal widget (for QMenu: the active pop-up). If none comes within
// the time limit, or it is still open that long after the action, every modal window is
// closed so the test goes on. Destroying the watch stops it.
class ModalWatch {
  public:
    bool ran = false;       // the action was run
    bool timedOut = false;  // nothing came, or it stayed open

    ModalWatch() = default;
    ModalWatch(const ModalWatch&) = delete;
    ModalWatch& operator=(const ModalWatch&) = delete;

    template <class T>
    void Arm(std::function<void(T*)> action, int timeoutMs) {
        poll_.setInterval(5);
        deadline_.setSingleShot(true);
        QObject::connect(&deadline_, &QTimer::timeout, [this] {
            poll_.stop();
            if (!ran || (target_ && target_->isVisible())) {
                timedOut = true;
                CloseAllModals();
            }
        });
        QObject::connect(&poll_, &QTimer::timeout, [this, action, timeoutMs] {
            QWidget* active = std::is_base_of_v<QMenu, T> ? QApplication::activePopupWidget()
                                                          : QApplication::activeModalWidget();
            T* found = qobject_cast<T*>(active);
            if (found == nullptr || !found->isVisible()) return;
            poll_.stop();
            ran = true;
            target_ = found;
            deadline_.start(timeoutMs);
            action(found);
        });
        poll_.start();
        deadline_.start(timeoutMs);
    }

  private:
    QTimer poll_;
    QTimer deadline_;
    QPointer<QWidget> target_;
};

template <class T>
std::unique_ptr<ModalWatch> WhenModal(std::function<void(T*)> action, int timeoutMs = 5000) {
    auto watch = std::make_unique<ModalWatch>();
    watch->Arm<T>(std::move(action), timeoutMs);
    return watch;
}

}  // namespace wk::testing
