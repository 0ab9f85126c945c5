// The progress of a bulk registration: a window with the number of lines read so far and a
// cancel button, shown only when reading lasts longer than about half a second.
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

    explicit BulkProgress(QWidget* owner);
    ~BulkProgress();
    BulkProgress(const BulkProgress&) = delete;
    BulkProgress& operator=(const BulkProgress&) = delete;

    // Called after each line. Every few milliseconds it brings the window up to date and
    // lets the screen be drawn; until the window is shown the user's input waits. False
    // once the user has cancelled: reading then ends behind the current line.
    bool Update(const textfile::ReadProgress& progress);

    // Takes the window away, before the results are shown.
    void Close();

  private:
    void Show();

    QWidget* owner_;
    QPointer<QProgressDialog> dialog_;
    QElapsedTimer started_;
    qint64 lastUpdate_ = 0;
    bool cancelled_ = false;
    bool closed_ = false;
};

}  // namespace wk
