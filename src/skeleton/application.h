// SPDX-License-Identifier: MIT
// The application object of the Wordkeeper programs and what they do before it exists.
#pragma once

#include <QApplication>
#include <QIcon>
#include <QString>
#include <QStringList>
#include <QTranslator>

#include <cstdio>
#include <string>

namespace wk {

// What differs from one program to the next: its name, version and about texts.
struct ProgramInfo {
    QString name;            // application name, window title, caption of its own boxes
    QString version;         // "0.5.0"
    QString aboutTitle;      // title of the about box
    QStringList aboutLines;  // the lines of the about box, top to bottom
    QString iconPath;        // resource path of the window icon; empty for none
};

// The information of one of the suite's programs: the project's version, and an about box
// titled "NAME のﾊﾞｰｼﾞｮﾝ情報" with "NAME Version X.Y", `description` and the copyright.
ProgramInfo SuiteProgramInfo(const QString& name, const QString& description,
                             const QString& iconPath);

// The environment a graphical program starts in, as far as reaching a display goes.
struct DisplayEnvironment {
    std::string qpaPlatform;        // QT_QPA_PLATFORM
    std::string x11Display;         // DISPLAY
    std::string waylandDisplay;     // WAYLAND_DISPLAY
    bool platformArgument = false;  // "-platform" given on the command line

    static DisplayEnvironment FromProcess(int argc, char** argv);
};

// True when a display can be tried: a platform named by variable or argument, or an X11
// or Wayland display. Without one, Qt would abort; the caller reports it instead.
bool CanReachDisplay(const DisplayEnvironment& environment);

// The message printed when no display can be reached (Japanese, one line per sentence).
std::string NoDisplayMessage(const std::string& programName);

// Checks the process environment; when no display can be reached, prints the message to
// `err` and returns false.
bool CheckDisplay(int argc, char** argv, const std::string& programName, std::FILE* err);

// Holds the application object's own state: the program's info and Qt's Japanese texts
// for the standard buttons and dialogs. A platform that cannot be started ends the
// process with status 1 and a message on stderr instead of an abort.
class CWordkeeperApp final : public QApplication {
    Q_OBJECT
  public:
    CWordkeeperApp(int& argc, char** argv, ProgramInfo info);
    ~CWordkeeperApp() override;

    static CWordkeeperApp* instance();
    const ProgramInfo& programInfo() const { return info_; }

  private:
    ProgramInfo info_;
    QTranslator qtTranslator_;
};

// Loads Qt's own Japanese translation (qtbase_ja) into `translator` and installs it.
// Without the translation files the texts stay English.
void InstallQtJapanese(QTranslator& translator);

// The caption of the application's own message boxes: the program's name.
QString ApplicationCaption();

}  // namespace wk
