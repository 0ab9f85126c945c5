// SPDX-License-Identifier: MIT
#include "manager_launcher.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>
#include <iterator>

namespace wk {

namespace {

const QString kExecutableName = QStringLiteral("Wordkeeper");
const QString kDesktopEntryName = QStringLiteral("Wordkeeper.desktop");

// A desktop entry is a few lines; anything far larger is not one.
constexpr qint64 kMaxDesktopEntrySize = 256 * 1024;

bool IsPresent(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// The escapes of a desktop entry's string values. Others are left for the splitting,
// which knows \" and the like inside quotes.
QString UndoStringEscapes(const QString& value) {
    struct Escape {
        char16_t code, meaning;
    };
    static constexpr Escape kEscapes[] = {
        {u's', u' '}, {u'n', u'\n'}, {u't', u'\t'}, {u'r', u'\r'}, {u'\\', u'\\'}};
    QString text;
    text.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != u'\\' || i + 1 == value.size()) {
            text += c;
            continue;
        }
        const char16_t next = value[++i].unicode();
        const Escape* escape = std::find_if(std::begin(kEscapes), std::end(kEscapes),
                                            [next](const Escape& e) { return e.code == next; });
        if (escape != std::end(kEscapes)) {
            text += QChar(escape->meaning);
        } else {
            text += c;
            text += QChar(next);
        }
    }
    return text;
}

bool IsFieldCode(QChar c) {
    // Files, URLs, the icon, the name and the entry's own path; the deprecated ones too.
    return QStringView(u"fFuUickdDnNvm").contains(c);
}

}  // namespace

ManagerCandidate FindManager(const QString& folder) {
    if (folder.isEmpty() || QDir::isRelativePath(folder)) return {};
    const QDir dir(folder);
    const QString executable = dir.filePath(kExecutableName);
    if (IsPresent(executable)) return {ManagerCandidate::Kind::Executable, executable};
    const QString entry = dir.filePath(kDesktopEntryName);
    if (IsPresent(entry)) return {ManagerCandidate::Kind::DesktopEntry, entry};
    return {};
}

std::optional<QStringList> SplitExecValue(const QString& value) {
    const QString text = UndoStringEscapes(value);
    QStringList arguments;
    QString current;
    bool inArgument = false;  // something, maybe an empty quoted text, has been seen
    bool hadFieldCode = false;
    bool inQuotes = false;
    const auto finish = [&] {
        // An argument that was nothing but field codes goes away with them.
        if (inArgument && !(current.isEmpty() && hadFieldCode)) arguments << current;
        current.clear();
        inArgument = hadFieldCode = false;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const QChar next = i + 1 < text.size() ? text[i + 1] : QChar();
        if (c == u'%') {
            if (next == u'%') {
                current += u'%';
            } else if (IsFieldCode(next)) {
                hadFieldCode = true;
            } else {
                return std::nullopt;
            }
            inArgument = true;
            ++i;
        } else if (inQuotes) {
            if (c == u'"') {
                inQuotes = false;
            } else if (c == u'\\' && QStringView(u"\"`$\\").contains(next) && !next.isNull()) {
                current += next;
                ++i;
            } else {
                current += c;
            }
        } else if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r') {
            finish();
        } else if (c == u'"') {
            inQuotes = inArgument = true;
        } else if (c == u'\\' && !next.isNull()) {
            current += next;
            inArgument = true;
            ++i;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inQuotes) return std::nullopt;
    finish();
    if (arguments.isEmpty() || arguments.front().isEmpty()) return std::nullopt;
    return arguments;
}

std::optional<QStringList> ReadDesktopEntryCommand(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > kMaxDesktopEntrySize) return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QString content = QString::fromUtf8(file.readAll());

    bool inMainGroup = false;
    std::optional<QString> type;
    std::optional<QString> exec;
    for (QStringView line : QStringView(content).split(u'\n')) {
        if (line.endsWith(u'\r')) line.chop(1);
        const QStringView trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u'#')) continue;
        if (trimmed.startsWith(u'[')) {
            inMainGroup = trimmed == u"[Desktop Entry]";
            continue;
        }
        if (!inMainGroup) continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0) continue;
        const QStringView key = line.left(equals).trimmed();
        const QString keyValue = line.mid(equals + 1).trimmed().toString();
        // The first of duplicated keys counts.
        if (key == u"Type" && !type) type = keyValue;
        if (key == u"Exec" && !exec) exec = keyValue;
    }
    if (type && *type != u"Application") return std::nullopt;
    if (!exec) return std::nullopt;
    return SplitExecValue(*exec);
}

QString ResolveCommandProgram(const QString& program, const QString& searchPath) {
    if (program.isEmpty()) return {};
    if (QDir::isAbsolutePath(program)) return program;
    if (program.contains(u'/')) return {};
    for (const QString& folder : searchPath.split(u':', Qt::SkipEmptyParts)) {
        // "." or any relative folder would make the result depend on the current folder.
        if (QDir::isRelativePath(folder)) continue;
        const QFileInfo candidate(QDir(folder).filePath(program));
        if (candidate.isFile() && candidate.isExecutable()) return candidate.filePath();
    }
    return {};
}

ManagerLauncher::ManagerLauncher(QString folder, QProcessEnvironment environment)
    : folder_(std::move(folder)), environment_(std::move(environment)) {}

ManagerLauncher::Result ManagerLauncher::Launch() const {
    const ManagerCandidate candidate = FindManager(folder_);
    QString program;
    QStringList arguments;
    switch (candidate.kind) {
        case ManagerCandidate::Kind::None:
            return Result::NotFound;
        case ManagerCandidate::Kind::Executable:
            program = candidate.path;
            break;
        case ManagerCandidate::Kind::DesktopEntry: {
            const std::optional<QStringList> command = ReadDesktopEntryCommand(candidate.path);
            if (!command) return Result::NotStarted;
            program =
                ResolveCommandProgram(command->front(), environment_.value(QStringLiteral("PATH")));
            if (program.isEmpty()) return Result::NotStarted;
            arguments = command->mid(1);
            break;
        }
    }
    // Started as a process of its own, never through a shell.
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setProcessEnvironment(environment_);
    process.setStandardInputFile(QProcess::nullDevice());
    return process.startDetached() ? Result::Started : Result::NotStarted;
}

}  // namespace wk
