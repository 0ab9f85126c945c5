// SPDX-License-Identifier: MIT
// What the manager's window keeps between runs in a section of its own, beside the shared
// one: its place on the desktop and the folder of the last file chosen.
#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <optional>

#include "skeleton/qt_settings_store.h"

namespace wk {

class WindowState {
  public:
    // Section [WordkeeperWindow] of the suite's settings file.
    WindowState();

    std::optional<QRect> Geometry();
    void SaveGeometry(const QRect& frame);

    // Empty when none is stored.
    QString LastFolder();
    void SaveLastFolder(const QString& folder);

  private:
    QtSettingsStore store_;
};

// Where the window opens. A stored size is used, at most as large as the largest screen; its
// place only when the top strip of the window lies on one of `screens` (available areas).
// Without a stored geometry: `defaultSize`, at most the first screen, and no place.
struct WindowPlacement {
    QSize size;
    std::optional<QPoint> position;
};
WindowPlacement PlaceWindow(const std::optional<QRect>& stored, QSize defaultSize,
                            const QList<QRect>& screens);

}  // namespace wk
