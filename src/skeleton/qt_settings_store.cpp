// SPDX-License-Identifier: MIT
#include "qt_settings_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>
#include <string>

#include "core/messages.h"
#include "core/safe_file.h"
#include "core/text.h"
#include "ime/backend.h"

namespace wk {

namespace {

QString Key(std::string_view name) {
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

// A malformed file leaves QSettings in FormatError, yet it reads what it can and writes
// the file anew; only an access error means that a value was not stored.
bool Stored(const QSettings& settings) { return settings.status() != QSettings::AccessError; }

// Empty when `path` is missing or a regular file that can be read; otherwise why not. A
// FIFO is never opened for reading (that would block) and a device never replaced.
std::string ProblemWith(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT) return {};
        return Utf16ToUtf8(msg::kSettingsUnreadable) + ": " + path + " (" + SystemErrorText(errno) +
               ")";
    }
    if (!S_ISREG(st.st_mode)) {
        return "設定ファイルが通常のファイルではないため使いません: " + path;
    }
    const int fd = OpenRegularFileForReading(path);
    if (fd < 0) {
        return Utf16ToUtf8(msg::kSettingsUnreadable) + ": " + path + " (" + SystemErrorText(errno) +
               ")";
    }
    ::close(fd);
    // Written as settings, a dictionary that the name leads to would be lost.
    if (IsKeptFile(path, ime::KeptFilesOfEveryInputMethod())) {
        return "設定ファイルが辞書のファイルを指しているため使いません: " + path;
    }
    return {};
}

}  // namespace

QtSettingsStore::QtSettingsStore(const QString& group)
    : fileName_(QString::fromStdString(SettingsFilePath())),
      lastError_(ProblemWith(SettingsFilePath())) {
    if (!lastError_.empty()) return;
    settings_.emplace(fileName_, QSettings::IniFormat);
    settings_->beginGroup(group);
}

void QtSettingsStore::MakePrivateFile() {
    if (filePrepared_) return;
    filePrepared_ = true;
    // The quick-add form keeps the word being added here: a new file is for the user
    // alone, like the dictionary. Qt keeps the mode of an existing file when it rewrites it.
    const std::string file = fileName_.toStdString();
    const std::string folder = file.substr(0, file.rfind('/'));
    ::mkdir(folder.substr(0, folder.rfind('/')).c_str(), 0700);
    ::mkdir(folder.c_str(), 0700);
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) ::close(fd);
}

std::optional<std::int32_t> QtSettingsStore::ReadInt(std::string_view name) {
    if (!settings_) return std::nullopt;
    const QVariant value = settings_->value(Key(name));
    if (!value.isValid()) return std::nullopt;
    bool ok = false;
    qlonglong number = 0;
    switch (value.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::ULongLong:
            number = value.toLongLong(&ok);
            break;
        case QMetaType::QString:
            // The file keeps numbers as text; anything else written there is no number.
            number = value.toString().trimmed().toLongLong(&ok, 10);
            break;
        default:
            return std::nullopt;
    }
    if (!ok || number < std::numeric_limits<std::int32_t>::min() ||
        number > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(number);
}

bool QtSettingsStore::WriteInt(std::string_view name, std::int32_t value) {
    if (!settings_) return false;
    MakePrivateFile();
    settings_->setValue(Key(name), value);
    return Stored(*settings_);
}

bool QtSettingsStore::WriteString(std::string_view name, std::u16string_view text) {
    if (!settings_) return false;
    MakePrivateFile();
    settings_->setValue(Key(name),
                        QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())));
    return Stored(*settings_);
}

bool QtSettingsStore::Sync() {
    if (!settings_) return false;
    settings_->sync();
    return Stored(*settings_);
}

std::string QtSettingsStore::InputMethodSetting(std::string* error) {
    QtSettingsStore store(QStringLiteral("InputMethod"));
    if (error != nullptr) *error = store.LastErrorDetail();
    return store.ReadText("Backend").toStdString();
}

QString QtSettingsStore::ReadText(std::string_view name) {
    if (!settings_) return {};
    const QVariant value = settings_->value(Key(name));
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

}  // namespace wk
