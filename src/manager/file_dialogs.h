// SPDX-License-Identifier: MIT
// The manager's file requests: the optional dialog library first, then Qt's file dialog.
#pragma once

#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "textfile/file_request.h"

class QWidget;

namespace wk {

// Answers the requests that would otherwise show the standard dialog, for callers without
// a screen (tests, scripted runs). An empty hook brings the dialog back.
using FileDialogHook = std::function<int(textfile::FileRequest&)>;
void SetFileDialogHook(FileDialogHook hook);

// Where the dialog library is looked for; nullopt (the default) means next to the program,
// then the system's search (textfile::DialogLibraryCandidates).
void SetDialogLibraryCandidates(std::optional<std::vector<std::string>> candidates);

// The folder the requests start in: the user's documents folder, or the home folder when
// there is none.
QString DocumentsFolder();

// Qt's file dialog for a request (not the platform's own, so that it looks and filters the
// same everywhere): its title, start folder, filters and flags. 1 when a file was chosen.
int ShowStandardFileDialog(QWidget* owner, textfile::FileRequest& request);

// The request as the commands make it: owned by `owner`'s window; 1 only when a file
// was chosen.
int DoGetOpenFileName(QWidget* owner, textfile::FileRequest& request);
int DoGetSaveFileName(QWidget* owner, textfile::FileRequest& request);

}  // namespace wk
