// SPDX-License-Identifier: MIT
// The settings section both programs share: column widths and the quick-add note.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace wk {

// One named section of a settings store. Reads never fail: a missing value, or one of
// another type, reads as nullopt. Writes report success, which callers may ignore.
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    virtual std::optional<std::int32_t> ReadInt(std::string_view name) = 0;
    virtual bool WriteInt(std::string_view name, std::int32_t value) = 0;
    virtual bool WriteString(std::string_view name, std::u16string_view text) = 0;
    // Makes written values visible to other processes and picks up theirs.
    virtual bool Sync() = 0;
};

namespace settings {
inline constexpr std::string_view kOrganization = "Quillwren";
inline constexpr std::string_view kApplication = "Wordkeeper";
inline constexpr std::string_view kSection = "WordkeeperSetting";

inline constexpr std::array<std::string_view, 3> kColumnWidthNames = {
    "ColumnWidth0", "ColumnWidth1", "ColumnWidth2"};
inline constexpr std::array<std::int32_t, 3> kDefaultColumnWidths = {80, 79, 66};
inline constexpr std::int32_t kMinColumnWidth = 10;
inline constexpr std::string_view kTermChange = "TermChange";
inline constexpr std::string_view kTermReadAdd = "TermReadAdd";
inline constexpr std::string_view kTermWordAdd = "TermWordAdd";
inline constexpr std::string_view kTermPosAdd = "TermPOSAdd";
}  // namespace settings

std::int32_t ReadInteger(SettingsStore& store, std::string_view name, std::int32_t fallback);

// A stored width is used when 10 <= width <= clientWidth, otherwise the column's default.
std::int32_t ColumnWidthOrDefault(std::optional<std::int32_t> stored, int column,
                                  std::int32_t clientWidth);

// The manager's first update: empties the three Term*Add strings, clears the quick-add
// note, then reads the three column widths under the width rule. `clientWidth` is the
// width of the list's client area measured before the columns exist.
std::array<std::int32_t, 3> BeginManagerSession(SettingsStore& store, std::int32_t clientWidth);

// The manager's end: the three current widths, in column order, changed or not. False
// when they could not be stored.
bool SaveColumnWidths(SettingsStore& store, const std::array<std::int32_t, 3>& widths);

// The manager's activation: picks up what other processes wrote, and when the note is
// set, clears it and then calls `reload`. The note is cleared first so that a word
// registered while the reload runs leaves a note that the next activation acts on.
// Returns true when it reloaded.
bool CheckQuickAddNote(SettingsStore& store, const std::function<void()>& reload);

// The quick-add side: sets the note and writes it through at once; the result says
// whether the note was stored.
bool LeaveQuickAddNote(SettingsStore& store);

// The running user's home folder: $HOME when absolute, otherwise the password database's,
// otherwise "/".
std::string HomeFolder();

// A base folder of the XDG rules: the value of `variable` (XDG_CONFIG_HOME, XDG_DATA_HOME)
// when absolute (relative values are invalid and ignored), otherwise `underHome` in
// HomeFolder().
std::string XdgFolder(const char* variable, std::string_view underHome);

// The settings file every program of the suite shares:
// XdgFolder("XDG_CONFIG_HOME", ".config")/Quillwren/Wordkeeper.conf.
std::string SettingsFilePath();

}  // namespace wk
