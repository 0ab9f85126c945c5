#include "qt_settings_store.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <limits>
#include <string>

namespace wk {

namespace {

QString Key(std::string_view name) {
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

// A malformed file leaves QSettings in FormatError, yet it reads what it can and writes
// the file anew; only an access error means that a value was not stored.
bool Stored(const QSettings& settings) { return settings.status() != QSettings::AccessError; }

// The running user's settings folder. Only absolute values of XDG_CONFIG_HOME and HOME
// count (Qt would take relative ones from the current folder), and without a usable HOME
// the user's home comes from the password database.
std::string ConfigFolder() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && xdg[0] == '/') {
        return xdg;
    }
    std::string home;
    if (const char* env = std::getenv("HOME"); env != nullptr && env[0] == '/') {
        home = env;
    } else if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr) {
        home = pw->pw_dir;
    }
    return home + "/.config";
}

QString SettingsFile() {
    return QString::fromStdString(ConfigFolder() + "/" + std::string(settings::kOrganization) +
                                  "/" + std::string(settings::kApplication) + ".conf");
}

}  // namespace

QtSettingsStore::QtSettingsStore(const QString& group)
    : settings_(SettingsFile(), QSettings::IniFormat) {
    settings_.beginGroup(group);
}

void QtSettingsStore::MakePrivateFile() {
    if (filePrepared_) return;
    filePrepared_ = true;
    // The quick-add form keeps the word being added here: a new file is for the user
    // alone, like the dictionary. Qt keeps the mode of an existing file when it rewrites it.
    const std::string file = settings_.fileName().toStdString();
    const std::string folder = file.substr(0, file.rfind('/'));
    ::mkdir(folder.substr(0, folder.rfind('/')).c_str(), 0700);
    ::mkdir(folder.c_str(), 0700);
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) ::close(fd);
}

std::optional<std::int32_t> QtSettingsStore::ReadInt(std::string_view name) {
    const QVariant value = settings_.value(Key(name));
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
    MakePrivateFile();
    settings_.setValue(Key(name), value);
    return Stored(settings_);
}

bool QtSettingsStore::WriteString(std::string_view name, std::u16string_view text) {
    MakePrivateFile();
    settings_.setValue(Key(name),
                       QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())));
    return Stored(settings_);
}

bool QtSettingsStore::Sync() {
    settings_.sync();
    return Stored(settings_);
}

std::string QtSettingsStore::InputMethodSetting() {
    return QtSettingsStore(QStringLiteral("InputMethod")).ReadText("Backend").toStdString();
}

QString QtSettingsStore::ReadText(std::string_view name) {
    const QVariant value = settings_.value(Key(name));
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

}  // namespace wk
