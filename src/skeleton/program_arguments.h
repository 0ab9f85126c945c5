// The command line of the graphical programs: the input method to open, help and version.
#pragma once

#include <QStringList>

#include <functional>
#include <string>
#include <string_view>

#include "application.h"

namespace wk {

struct ProgramArguments {
    std::string imeOption;  // --ime, empty when not given
    bool help = false;
    bool version = false;
    std::string error;  // a usage error, for stderr
};

// The program's own arguments, after Qt has taken its own out.
ProgramArguments ParseProgramArguments(const QStringList& arguments);

// Help or version asked for anywhere in argv. Both are answered before a display is
// looked for, so they work without one.
enum class EarlyRequest { None, Help, Version };
EarlyRequest FindEarlyRequest(int argc, char** argv);

// A graphical program from main(): --help (`usage`) and --version answered without a
// display, the display checked (status 1 without one), the application object made and the
// program's arguments read (status 2 and the usage on a mistake); then `session` runs.
int RunProgram(int argc, char** argv, const ProgramInfo& info, const std::string& usage,
               const std::function<int(const ProgramArguments&)>& session);

// A dictionary that could not be opened at start: said on stderr and in the application's
// box. Returns the program's status, 1.
int ReportDictionaryNotOpened(std::u16string_view why);

}  // namespace wk
