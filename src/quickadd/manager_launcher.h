// SPDX-License-Identifier: MIT
// Finding and starting the manager from the quick-add program's own folder: the executable
// Wordkeeper, otherwise a desktop entry Wordkeeper.desktop started through its Exec line.
#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <optional>

namespace wk {

// What the folder holds for starting the manager. Anything the file system reports counts
// as present, a folder bearing the name included; the executable wins over the entry.
struct ManagerCandidate {
    enum class Kind { None, Executable, DesktopEntry };
    Kind kind = Kind::None;
    QString path;
};
ManagerCandidate FindManager(const QString& folder);

// The arguments of a desktop entry's Exec value (as stored in the file, string escapes
// still in it): escapes undone, quoted arguments kept whole, field codes such as %f, %U
// or %k dropped and %% made a single %. nullopt for a value that cannot be split (an
// unterminated quote, an unknown field code) or that names no program.
std::optional<QStringList> SplitExecValue(const QString& value);

// The command of the [Desktop Entry] group of a desktop entry file: its Exec value split
// as above. nullopt when the file cannot be read, is no application entry, or has no
// usable Exec value.
std::optional<QStringList> ReadDesktopEntryCommand(const QString& path);

// The program a command names: an absolute path as it is, a bare name looked up in the
// absolute folders of `searchPath` (a PATH value). A relative path with a slash would
// depend on the current folder and is refused. Empty when nothing fits.
QString ResolveCommandProgram(const QString& program, const QString& searchPath);

// Starts the manager without waiting for it. `environment` is what the manager gets.
class ManagerLauncher {
  public:
    enum class Result { Started, NotFound, NotStarted };

    explicit ManagerLauncher(
        QString folder, QProcessEnvironment environment = QProcessEnvironment::systemEnvironment());

    const QString& folder() const { return folder_; }
    QProcessEnvironment& environment() { return environment_; }

    // Looks for the manager each time; NotStarted when it is there but would not start.
    Result Launch() const;

  private:
    QString folder_;
    QProcessEnvironment environment_;
};

}  // namespace wk
