// SPDX-License-Identifier: MIT
// The quick-add form: reading, word and part of speech, registered with the
// input method one word at a time, and a button that starts the manager.
#pragma once

#include <QWidget>

#include <memory>

#include "core/dictionary.h"
#include "core/settings.h"
#include "manager_launcher.h"

class QLineEdit;

namespace Ui {
class CWordkeeperAddView;
}

namespace wk {

class CMainFrame;

class CWordkeeperAddView final : public QWidget {
    Q_OBJECT
  public:
    // `settings` receives the quick-add note; `launcher` knows where the manager lies.
    CWordkeeperAddView(InputMethod& ime, SettingsStore& settings, ManagerLauncher launcher,
                       QWidget* parent = nullptr);
    ~CWordkeeperAddView() override;

    // Connects the frame's cut, copy and paste commands to the form.
    void AttachFrame(CMainFrame& frame);

    // The first update: focus on the reading, the style table fetched and listed with
    // item 0 selected, Register disabled. Runs once; later calls do nothing.
    void OnInitialUpdate();

    // The form's own style table, in the input method's order.
    const PosTable& posTable() const { return posTable_; }

  public slots:
    // The register button: checks the fields, registers the word, empties the form, leaves the
    // note.
    void OnRegister();
    // Cut, copy and paste, for the edit that has the focus only.
    void OnEditCut();
    void OnEditCopy();
    void OnEditPaste();
    // The start button: starts the manager, or says that it cannot be found.
    void OnStartManager();

  private:
    QLineEdit* FocusedEdit() const;

    std::unique_ptr<Ui::CWordkeeperAddView> ui_;
    InputMethod& ime_;
    SettingsStore& settings_;
    ManagerLauncher launcher_;
    PosTable posTable_;
    bool toldNoteNotWritten_ = false;
    bool initialised_ = false;
};

}  // namespace wk
