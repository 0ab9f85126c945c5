// SPDX-License-Identifier: MIT
// The start of the graphical programs: their command line (the input method to open, help
// and version), the display check, the application object and the input method opened.
#pragma once

#include <QStringList>

#include <functional>
#include <string>
#include <string_view>

#include "application.h"
#include "core/input_method.h"

namespace wk {

struct ProgramArguments {
    std::string imeOption;  // --ime, empty when not given
    bool help = false;
    bool version = false;
    std::string error;  // a usage error, for stderr
};

// The program's arguments (the program's name first, as in argv); Qt's own are taken out
// before when the application object exists.
ProgramArguments ParseProgramArguments(const QStringList& arguments);

// The usage text of a graphical program: its synopsis, the options every one of them
// takes, then `notes`.
std::string ProgramUsage(const QString& programName, std::string_view notes);

// A graphical program from main(): --help (`usage`) and --version answered without a
// display, the display checked (status 1 without one), the application object made and the
// program's arguments read (status 2 and the usage on a mistake); then `session` runs.
int RunProgram(int argc, char** argv, const ProgramInfo& info, const std::string& usage,
               const std::function<int(const ProgramArguments&)>& session);

// Opens the input method the arguments choose (otherwise the environment's or the
// settings' choice) and runs `session` on it with the choice it was opened by. One that
// cannot be opened is said on stderr and in the application's box; the status is then 1.
int RunOnInputMethod(
    const ProgramArguments& arguments,
    const std::function<int(InputMethod& ime, const std::string& choice)>& session);

}  // namespace wk
