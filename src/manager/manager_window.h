// The manager program put together: its frame layout, its window and its start-up.
#pragma once

#include <QStringList>

#include <memory>
#include <string>

#include "core/dictionary.h"
#include "core/settings.h"
#include "skeleton/main_frame.h"
#include "skeleton/program_arguments.h"
#include "wordkeeper_view.h"

namespace wk {

ProgramInfo ManagerProgramInfo();

// Menus, tool buttons and keys of the manager's frame.
FrameSpec ManagerFrameSpec();

// The frame with the word list as its view.
class ManagerWindow {
  public:
    ManagerWindow(Dictionary& dictionary, SettingsStore& settings);
    ~ManagerWindow();

    CMainFrame& frame() { return *frame_; }
    CWordkeeperView& view() { return *view_; }

    // Shows the frame, then runs the view's first update (settings, styles, words).
    void Start();

  private:
    std::unique_ptr<CMainFrame> frame_;
    CWordkeeperView* view_ = nullptr;
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
