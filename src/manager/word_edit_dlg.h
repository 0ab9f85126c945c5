// SPDX-License-Identifier: MIT
// The word dialog: registers new words one after another, or changes one.
#pragma once

#include <QDialog>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "core/dictionary.h"

namespace Ui {
class CWordEditDlg;
}

namespace wk {

class CWordEditDlg final : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kResultChanged = 1;  // change mode: the change is in the dictionary
    static constexpr int kResultClosed = 2;   // closed by button 2; nothing more changed

    explicit CWordEditDlg(Dictionary& dictionary, QWidget* parent = nullptr);
    ~CWordEditDlg() override;

    // The values the dialog opens with. A posIndex of -1 opens it in new mode, a row of
    // the style table in change mode for that word.
    void SetFields(const QString& reading, const QString& word, int posIndex);

    // The values as last read from the controls.
    const QString& editReading() const { return editReading_; }
    const QString& editWord() const { return editWord_; }
    int posIndex() const { return posIndex_; }

    bool changeMode() const { return oldPosIndex_ != -1; }

    // New mode: puts an accepted word at the top of the word list, while the dialog stays
    // open, and tells the list; false when storage ran out. Without one, the word goes
    // into the dictionary's list alone.
    using WordAdder =
        std::function<bool(std::u16string_view reading, std::u16string_view word, int posIndex)>;
    void SetWordAdder(WordAdder adder) { addWord_ = std::move(adder); }

    // Change mode: a refused change of an input method without one of its own took the
    // old word out and could not put it back. Unless the dialog closed with kResultChanged,
    // the list no longer matches the input method and must be read again.
    bool oldWordLost() const { return oldWordLost_; }

  public slots:
    // Button 1 (登録), also Enter: checks the fields, then registers.
    void OnRegister();
    // Button 2, also Escape: closes with kResultClosed.
    void reject() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void OnInitDialog();
    void ReadFields();
    bool RegisterEditedWord();

    std::unique_ptr<Ui::CWordEditDlg> ui_;
    Dictionary& dictionary_;
    QString editReading_;
    QString editWord_;
    int posIndex_ = -1;
    QString oldReading_;
    QString oldWord_;
    int oldPosIndex_ = -1;
    std::uint32_t oldStyle_ = 0;
    bool oldWordInIme_ = true;
    bool oldWordLost_ = false;
    bool initialised_ = false;
    WordAdder addWord_;
};

}  // namespace wk
