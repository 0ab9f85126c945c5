// SPDX-License-Identifier: MIT
#include "settings.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace wk {

std::int32_t ReadInteger(SettingsStore& store, std::string_view name, std::int32_t fallback) {
    return store.ReadInt(name).value_or(fallback);
}

std::int32_t ColumnWidthOrDefault(std::optional<std::int32_t> stored, int column,
                                  std::int32_t clientWidth) {
    const std::int32_t fallback =
        settings::kDefaultColumnWidths.at(static_cast<std::size_t>(column));
    if (!stored) return fallback;
    const std::int32_t width = *stored;
    return width >= settings::kMinColumnWidth && width <= clientWidth ? width : fallback;
}

std::array<std::int32_t, 3> BeginManagerSession(SettingsStore& store, std::int32_t clientWidth) {
    store.WriteString(settings::kTermReadAdd, u"");
    store.WriteString(settings::kTermWordAdd, u"");
    store.WriteString(settings::kTermPosAdd, u"");
    store.WriteInt(settings::kTermChange, 0);
    std::array<std::int32_t, 3> widths{};
    for (int column = 0; column < 3; ++column) {
        const auto name = settings::kColumnWidthNames[static_cast<std::size_t>(column)];
        widths[static_cast<std::size_t>(column)] =
            ColumnWidthOrDefault(store.ReadInt(name), column, clientWidth);
    }
    store.Sync();
    return widths;
}

bool SaveColumnWidths(SettingsStore& store, const std::array<std::int32_t, 3>& widths) {
    bool written = true;
    for (std::size_t column = 0; column < widths.size(); ++column) {
        written = store.WriteInt(settings::kColumnWidthNames[column], widths[column]) && written;
    }
    return store.Sync() && written;
}

bool CheckQuickAddNote(SettingsStore& store, const std::function<void()>& reload) {
    store.Sync();
    if (ReadInteger(store, settings::kTermChange, 0) == 0) return false;
    store.WriteInt(settings::kTermChange, 0);
    store.Sync();
    if (reload) reload();
    return true;
}

bool LeaveQuickAddNote(SettingsStore& store) {
    const bool written = store.WriteInt(settings::kTermChange, 1);
    return store.Sync() && written;
}

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr) {
        return pw->pw_dir;
    }
    return "/";
}

std::string XdgFolder(const char* variable, std::string_view underHome) {
    if (const char* value = std::getenv(variable); value != nullptr && value[0] == '/') {
        return value;
    }
    const std::string home = HomeFolder();
    return (home == "/" ? "" : home) + "/" + std::string(underHome);
}

std::string SettingsFilePath() {
    return XdgFolder("XDG_CONFIG_HOME", ".config") + "/" + std::string(settings::kOrganization) +
           "/" + std::string(settings::kApplication) + ".conf";
}

}  // namespace wk
