// SPDX-License-Identifier: MIT
// The find dialog: asks for the reading to look for.
#pragma once

#include <QDialog>
#include <QString>

#include <memory>

namespace Ui {
class CFindReadingDlg;
}

namespace wk {

class CFindReadingDlg final : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kResultFind = 1;
    static constexpr int kResultCancel = 2;

    explicit CFindReadingDlg(QWidget* parent = nullptr);
    ~CFindReadingDlg() override;

    // Puts a reading into the field, selected, so that 検索 looks for it again at once.
    void SetReading(const QString& reading);

    // The text of the reading field when 検索 was pressed.
    const QString& findReading() const { return findReading_; }

  public slots:
    void OnFind();
    void reject() override;

  private:
    std::unique_ptr<Ui::CFindReadingDlg> ui_;
    QString findReading_;
};

}  // namespace wk
