// SPDX-License-Identifier: MIT
// The progress of a bulk registration or deletion: a window with the number of lines read
// (or words deleted) so far and a cancel button, shown only when the work lasts longer than
// about half a second.
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QProgressDialog>

#include "textfile/dictionary_text.h"

class QWidget;

namespace wk {

class BulkProgress {
  public:
    static constexpr int kShowAfterMs = 500;
    static constexpr int kUpdateEveryMs = 40;

    enum class Work { Register, Delete };

    explicit BulkProgress(QWidget* owner, Work work = Work::Register);
    ~BulkProgress();
    BulkProgress(const BulkProgress&) = delete;
    BulkProgress& operator=(const BulkProgress&) = delete;

    // Called after each line (or word deleted). Every few milliseconds it brings the window
    // up to date and lets the screen be drawn; until the window is shown the user's input
    // waits. False once the user has cancelled: the work then ends behind the current line.
    bool Update(const textfile::ReadProgress& progress);

    // Takes the window away, before the results are shown.
    void Close();

  private:
    void Show();

    QWidget* owner_;
    Work work_;
    QPointer<QProgressDialog> dialog_;
    QElapsedTimer started_;
    qint64 lastUpdate_ = 0;
    bool cancelled_ = false;
    bool closed_ = false;
};

}  // namespace wk
