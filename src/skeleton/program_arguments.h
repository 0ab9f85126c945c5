// The command line of the graphical programs: the input method to open, help and version.
#pragma once

#include <QStringList>

#include <string>

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

}  // namespace wk
