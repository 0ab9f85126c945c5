// SPDX-License-Identifier: MIT
// Choosing and opening the input method the programs work on.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/input_method.h"

namespace wk::ime {

// The embedded store's file: $XDG_DATA_HOME/Quillwren/Wordkeeper/dictionary.sqlite, with
// XDG_DATA_HOME defaulting to ~/.local/share.
std::string DefaultEmbeddedPath();

// Mozc's profile folder: ~/.mozc when that folder exists, otherwise $XDG_CONFIG_HOME/mozc,
// otherwise ~/.config/mozc.
std::string MozcProfileFolder();

// The input method named by a command-line option when given, otherwise by the
// environment variable WORDKEEPER_IME, otherwise by the settings value InputMethod/Backend
// (read by the caller). Without any: "embedded" when its store exists, otherwise "mozc"
// when Mozc's user dictionary exists, otherwise "anthy" when Anthy's private dictionary
// exists, otherwise "embedded".
std::string ChooseImeSpec(std::string_view option, std::string_view settingsValue);

struct OpenedInputMethod {
    std::unique_ptr<InputMethod> ime;
    std::u16string error;  // why it could not be opened, for the user
};

// Opens "embedded", "embedded:PATH", "anthy" (the Anthy user dictionary of $HOME) or
// "mozc" (the user dictionary in MozcProfileFolder()).
OpenedInputMethod OpenInputMethod(std::string_view name);

// The files the input methods keep for the running user whichever one is open (the default
// embedded store and its companion files, Anthy's and Mozc's dictionaries and lock files),
// which an export must never replace.
std::vector<std::string> KeptFilesOfEveryInputMethod();

// Opens the input method ChooseImeSpec chooses. `settingsProblem` (UTF-8) says why a
// settings file that exists could not be read: the setting it may hold is then not passed
// over for the default, and unless the option or the environment names the input method,
// nothing is opened and the error says why. `choice` (when given) receives the name chosen.
OpenedInputMethod OpenChosenInputMethod(std::string_view option, std::string_view settingsValue,
                                        std::string_view settingsProblem,
                                        std::string* choice = nullptr);

}  // namespace wk::ime
