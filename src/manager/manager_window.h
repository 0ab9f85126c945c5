// SPDX-License-Identifier: MIT
// The manager program put together: its frame layout, its window and its start-up.
#pragma once

#include <QStringList>

#include <memory>
#include <string>

#include "core/dictionary.h"
#include "core/settings.h"
#include "skeleton/main_frame.h"
#include "skeleton/program_arguments.h"
#include "window_state.h"
#include "wordkeeper_view.h"

class QLabel;

namespace wk {

ProgramInfo ManagerProgramInfo();

// Menus, tool buttons and keys of the manager's frame.
FrameSpec ManagerFrameSpec();

class SingleInstance;

// What the status bar says about the list: the number of words, then the input method's
// name and its dictionary file where it has them.
QString StatusText(int words, const std::u16string& imeName, const std::string& dictionaryPath);

// The frame with the word list as its view, a status bar, and its place on the desktop
// kept between runs.
class ManagerWindow {
  public:
    ManagerWindow(Dictionary& dictionary, SettingsStore& settings);
    ~ManagerWindow();

    CMainFrame& frame() { return *frame_; }
    CWordkeeperView& view() { return *view_; }

    // Shows the frame, then runs the view's first update (settings, styles, words).
    void Start();

    // Makes this the one manager of its user for `dictionary`; false when another one runs,
    // which has then been asked to come to the front. The window answers later starts the
    // same way.
    bool ClaimDictionary(const QString& dictionary);

    // Shows the frame in front of the others, out of the task bar when it was minimised.
    void ComeToFront();

  private:
    void UpdateStatus(int words);

    Dictionary& dictionary_;
    WindowState state_;
    std::unique_ptr<CMainFrame> frame_;
    CWordkeeperView* view_ = nullptr;
    QLabel* status_ = nullptr;
    std::unique_ptr<SingleInstance> instance_;
};

// The manager takes the arguments every graphical program of the suite takes.
using ManagerArguments = ProgramArguments;

std::string ManagerUsage();

// Opens the input method and runs the window until it is closed; the application object
// must exist. A store that cannot be opened is reported in the application's box; the
// result is then 1.
int RunManagerSession(const ManagerArguments& arguments);

// The whole program: arguments, display check, application object, session.
int RunManager(int argc, char** argv);

}  // namespace wk
