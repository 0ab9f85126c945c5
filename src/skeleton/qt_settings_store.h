// SPDX-License-Identifier: MIT
// The shared settings section kept in the user's Quillwren/Wordkeeper settings file.
#pragma once

#include <QSettings>
#include <QString>
#include <optional>
#include <string>

#include "core/settings.h"

namespace wk {

// On Linux the file is $XDG_CONFIG_HOME/Quillwren/Wordkeeper.conf (~/.config by default;
// relative values are ignored), section [WordkeeperSetting]. Every program of the suite
// opens this same file; when it writes the file first, it creates it with mode 0600.
// Only a regular file is read or replaced: when the file is something else (a FIFO, a
// device, a folder) or cannot be read, nothing is read, every write is refused and
// LastErrorDetail() says why.
class QtSettingsStore final : public SettingsStore {
  public:
    explicit QtSettingsStore(const QString& group = QStringLiteral("WordkeeperSetting"));

    std::optional<std::int32_t> ReadInt(std::string_view name) override;
    bool WriteInt(std::string_view name, std::int32_t value) override;
    bool WriteString(std::string_view name, std::u16string_view text) override;
    bool Sync() override;

    // A text value of this section; empty when missing.
    QString ReadText(std::string_view name);

    QString fileName() const { return fileName_; }

    // Why the file is not used (Japanese, UTF-8); empty when it is (or does not exist yet).
    const std::string& LastErrorDetail() const { return lastError_; }

    // The input method chosen for the desktop: [InputMethod] Backend of the same file, in
    // UTF-8; empty when not set. When the file exists but cannot be read, `error` (when
    // given) says why; it is emptied otherwise.
    static std::string InputMethodSetting(std::string* error = nullptr);

  private:
    void MakePrivateFile();
    QString fileName_;
    std::string lastError_;
    std::optional<QSettings> settings_;  // none when the file is not used
    bool filePrepared_ = false;
};

}  // namespace wk
