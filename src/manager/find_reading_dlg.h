// The find dialog (resource 130): asks for the reading to look for.
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
