// The shared settings section kept in the user's Quillwren/Wordkeeper settings file.
#pragma once

#include <QSettings>
#include <QString>

#include "core/settings.h"

namespace wk {

// On Linux the file is $XDG_CONFIG_HOME/Quillwren/Wordkeeper.conf (~/.config by default;
// relative values are ignored), section [WordkeeperSetting]. Every program of the suite
// opens this same file; when it writes the file first, it creates it with mode 0600.
class QtSettingsStore final : public SettingsStore {
  public:
    explicit QtSettingsStore(const QString& group = QStringLiteral("WordkeeperSetting"));

    std::optional<std::int32_t> ReadInt(std::string_view name) override;
    bool WriteInt(std::string_view name, std::int32_t value) override;
    bool WriteString(std::string_view name, std::u16string_view text) override;
    bool Sync() override;

    // A text value of this section; empty when missing.
    QString ReadText(std::string_view name);

    QString fileName() const { return settings_.fileName(); }

    // The input method chosen for the desktop: [InputMethod] Backend of the same file, in
    // UTF-8; empty when not set.
    static std::string InputMethodSetting();

  private:
    void MakePrivateFile();
    QSettings settings_;
    bool filePrepared_ = false;
};

}  // namespace wk
