// SPDX-License-Identifier: MIT
#include "window_state.h"

#include <algorithm>

namespace wk {

namespace {

constexpr std::string_view kX = "X";
constexpr std::string_view kY = "Y";
constexpr std::string_view kWidth = "Width";
constexpr std::string_view kHeight = "Height";
constexpr std::string_view kLastFolder = "LastFolder";

// The smallest window worth restoring, and the strip that must be reachable to move it.
constexpr int kMinimumSide = 100;
constexpr int kTopStrip = 24;

}  // namespace

WindowState::WindowState() : store_(QStringLiteral("WordkeeperWindow")) {}

std::optional<QRect> WindowState::Geometry() {
    const auto x = store_.ReadInt(kX), y = store_.ReadInt(kY);
    const auto width = store_.ReadInt(kWidth), height = store_.ReadInt(kHeight);
    if (!x || !y || !width || !height) return std::nullopt;
    return QRect(*x, *y, *width, *height);
}

void WindowState::SaveGeometry(const QRect& frame) {
    store_.WriteInt(kX, frame.x());
    store_.WriteInt(kY, frame.y());
    store_.WriteInt(kWidth, frame.width());
    store_.WriteInt(kHeight, frame.height());
    store_.Sync();
}

QString WindowState::LastFolder() { return store_.ReadText(kLastFolder); }

void WindowState::SaveLastFolder(const QString& folder) {
    store_.WriteString(kLastFolder, folder.toStdU16String());
    store_.Sync();
}

WindowPlacement PlaceWindow(const std::optional<QRect>& stored, QSize defaultSize,
                            const QList<QRect>& screens) {
    QSize largest;
    for (const QRect& screen : screens) largest = largest.expandedTo(screen.size());
    WindowPlacement placement;
    if (!stored || stored->width() < kMinimumSide || stored->height() < kMinimumSide) {
        placement.size = screens.isEmpty() ? defaultSize : defaultSize.boundedTo(screens[0].size());
        return placement;
    }
    placement.size = largest.isValid() ? stored->size().boundedTo(largest) : stored->size();
    const QRect strip(stored->topLeft(), QSize(placement.size.width(), kTopStrip));
    if (std::any_of(screens.begin(), screens.end(),
                    [&](const QRect& screen) { return screen.intersects(strip); }))
        placement.position = stored->topLeft();
    return placement;
}

}  // namespace wk
