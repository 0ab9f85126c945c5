#include "qt_settings_store.h"

#include <limits>

namespace wk {

namespace {

QString Key(std::string_view name) {
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

// A malformed file leaves QSettings in FormatError, yet it reads what it can and writes
// the file anew; only an access error means that a value was not stored.
bool Stored(const QSettings& settings) { return settings.status() != QSettings::AccessError; }

}  // namespace

QtSettingsStore::QtSettingsStore(const QString& group)
    : settings_(QSettings::NativeFormat, QSettings::UserScope,
                QString::fromUtf8(settings::kOrganization.data(),
                                  static_cast<qsizetype>(settings::kOrganization.size())),
                QString::fromUtf8(settings::kApplication.data(),
                                  static_cast<qsizetype>(settings::kApplication.size()))) {
    settings_.beginGroup(group);
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
    settings_.setValue(Key(name), value);
    return Stored(settings_);
}

bool QtSettingsStore::WriteString(std::string_view name, std::u16string_view text) {
    settings_.setValue(Key(name),
                       QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())));
    return Stored(settings_);
}

bool QtSettingsStore::Sync() {
    settings_.sync();
    return Stored(settings_);
}

QString QtSettingsStore::ReadText(std::string_view name) {
    const QVariant value = settings_.value(Key(name));
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

}  // namespace wk
