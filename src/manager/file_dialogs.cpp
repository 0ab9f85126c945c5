// SPDX-License-Identifier: MIT
#include "file_dialogs.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QStandardPaths>

#include <cstdlib>

namespace wk {

namespace {

using textfile::FileFilter;
using textfile::FileRequest;

FileDialogHook& Hook() {
    static FileDialogHook hook;
    return hook;
}

std::optional<std::vector<std::string>>& Candidates() {
    static std::optional<std::vector<std::string>> candidates;
    return candidates;
}

std::vector<std::string> LibraryCandidates() {
    if (Candidates()) return *Candidates();
    return textfile::DialogLibraryCandidates(
        QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString(),
        std::getenv("LD_LIBRARY_PATH"));
}

// The patterns as Qt's dialog takes them: separated by spaces, and "*" for every file
// ("*.*" would pass over names without a ".").
QString QtPatterns(const std::string& patterns) {
    QStringList list;
    for (const QString& pattern :
         QString::fromStdString(patterns).split(u';', Qt::SkipEmptyParts)) {
        const QString trimmed = pattern.trimmed();
        list << (trimmed == QLatin1String("*.*") ? QStringLiteral("*") : trimmed);
    }
    return list.join(u' ');
}

// Qt reads a filter's patterns from the parentheses that end its text; where those are not
// the patterns to use, the right ones are appended (and the text shown is set back after).
QString QtFilter(const FileFilter& filter) {
    const QString text = QString::fromStdString(filter.text);
    const QString ending = QStringLiteral(" (%1)").arg(QtPatterns(filter.patterns));
    return text.endsWith(ending) ? text : text + ending;
}

int Ask(QWidget* owner, FileRequest& request, bool open) {
    request.ownerWindow =
        owner != nullptr ? static_cast<std::uint64_t>(owner->window()->winId()) : 0;
    const textfile::StandardDialog standard = [owner](FileRequest& r) {
        if (const FileDialogHook& hook = Hook()) return hook(r);
        return ShowStandardFileDialog(owner, r);
    };
    const std::vector<std::string> libraries = LibraryCandidates();
    return open ? textfile::DoGetOpenFileName(request, libraries, standard)
                : textfile::DoGetSaveFileName(request, libraries, standard);
}

}  // namespace

void SetFileDialogHook(FileDialogHook hook) { Hook() = std::move(hook); }

void SetDialogLibraryCandidates(std::optional<std::vector<std::string>> candidates) {
    Candidates() = std::move(candidates);
}

QString DocumentsFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QDir(documents).exists() ? documents : QDir::homePath();
}

int ShowStandardFileDialog(QWidget* owner, FileRequest& request) {
    const bool save = request.kind == textfile::FileRequestKind::Save;
    QFileDialog dialog(owner, QString::fromStdString(request.title),
                       QFile::decodeName(request.initialDir.c_str()));
    dialog.setObjectName(QStringLiteral("fileDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save || (request.flags & GS_FILE_MUST_EXIST) == 0
                           ? QFileDialog::AnyFile
                           : QFileDialog::ExistingFile);
    if (save && (request.flags & GS_FILE_OVERWRITE_PROMPT) == 0)
        dialog.setOption(QFileDialog::DontConfirmOverwrite);

    QStringList filters, texts;
    for (const FileFilter& filter : request.filters) {
        filters << QtFilter(filter);
        texts << QString::fromStdString(filter.text);
    }
    dialog.setNameFilters(filters);
    const int first = request.filterIndex >= 1 && request.filterIndex <= filters.size()
                          ? request.filterIndex - 1
                          : 0;
    if (!filters.isEmpty()) dialog.selectNameFilter(filters[first]);
    if (auto* combo = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        combo != nullptr && combo->count() == texts.size()) {
        for (int i = 0; i < texts.size(); ++i) combo->setItemText(i, texts[i]);
    }

    if (dialog.exec() != QDialog::Accepted) return 0;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty()) return 0;
    request.file = QFile::encodeName(chosen.first()).toStdString();
    const QString selected = dialog.selectedNameFilter();
    int index = static_cast<int>(texts.indexOf(selected));
    if (index < 0) index = static_cast<int>(filters.indexOf(selected));
    request.filterIndex = index + 1;
    return 1;
}

int DoGetOpenFileName(QWidget* owner, FileRequest& request) { return Ask(owner, request, true); }

int DoGetSaveFileName(QWidget* owner, FileRequest& request) { return Ask(owner, request, false); }

}  // namespace wk
