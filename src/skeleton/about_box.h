// SPDX-License-Identifier: MIT
// The about box: the program's icon, its about lines and an OK button.
#pragma once

#include <QDialog>

#include "application.h"

namespace wk {

class CAboutDlg final : public QDialog {
    Q_OBJECT
  public:
    explicit CAboutDlg(const ProgramInfo& info, QWidget* parent = nullptr);
};

}  // namespace wk
