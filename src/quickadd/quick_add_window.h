// SPDX-License-Identifier: MIT
// The quick-add program put together: its frame layout, its window and its start-up.
#pragma once

#include <memory>
#include <string>

#include "core/input_method.h"
#include "core/settings.h"
#include "skeleton/main_frame.h"
#include "skeleton/program_arguments.h"
#include "wordkeeper_add_view.h"

namespace wk {

ProgramInfo QuickAddProgramInfo();

// Menus, tool buttons and keys of the quick-add frame.
FrameSpec QuickAddFrameSpec();

// The frame with the quick-add form as its view.
class QuickAddWindow {
  public:
    QuickAddWindow(InputMethod& ime, SettingsStore& settings, ManagerLauncher launcher);
    ~QuickAddWindow();

    CMainFrame& frame() { return *frame_; }
    CWordkeeperAddView& view() { return *view_; }

    // Shows the frame, then runs the form's first update.
    void Start();

  private:
    std::unique_ptr<CMainFrame> frame_;
    CWordkeeperAddView* view_ = nullptr;
};

std::string QuickAddUsage();

// The launcher of a session: the program's own folder, and WORDKEEPER_IME set for the
// manager to the input method `imeSpec` this session registers into.
ManagerLauncher SessionLauncher(const std::string& imeSpec);

// Opens the input method and runs the window until it is closed; the application object
// must exist. A store that cannot be opened is reported in the application's box; the
// result is then 1.
int RunQuickAddSession(const ProgramArguments& arguments);

// The whole program: arguments, display check, application object, session.
int RunQuickAdd(int argc, char** argv);

}  // namespace wk
