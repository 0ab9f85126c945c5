// SPDX-License-Identifier: MIT
// One manager per user and dictionary: the first start listens on a local socket in the
// user's runtime folder; a later start for the same dictionary asks it to come to the front
// and ends.
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

namespace wk {

class SingleInstance final : public QObject {
    Q_OBJECT
  public:
    // `dictionary` names what the manager edits (its file, or how the input method was
    // chosen when it has none).
    explicit SingleInstance(const QString& dictionary, QObject* parent = nullptr);

    // The socket for this user and dictionary, in the runtime folder (mode 0700); empty
    // when there is no such folder.
    static QString SocketPath(const QString& dictionary);

    // True when this process is the one to run: no other answered, and this one listens
    // from now on (or could not, and runs all the same). False when a running one was
    // reached and asked to come to the front.
    bool Claim();

  signals:
    // A later start for the same dictionary asks for the window.
    void raiseRequested();

  private:
    QString path_;
    QLocalServer server_;
};

}  // namespace wk
