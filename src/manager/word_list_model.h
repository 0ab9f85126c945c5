// SPDX-License-Identifier: MIT
// The table model behind the word list: it keeps only an item count and the three header
// texts, and serves row i from position i of the dictionary's word list when asked.
#pragma once

#include <QAbstractTableModel>
#include <QString>

#include <array>

#include "core/dictionary.h"

namespace wk {

class WordListModel final : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit WordListModel(const Dictionary& dictionary, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    int itemCount() const { return itemCount_; }

    // The list has a new number of rows, all of which may have changed.
    void SetItemCount(int count);
    void DeleteAllItems() { SetItemCount(0); }
    // Around putting one entry at position 0 of the word list: the rows below move down
    // by one. When the entry could not be added after all, the row goes again.
    void BeginInsertAtTop();
    void EndInsertAtTop(bool inserted);
    // The entries changed in place (sorted, replaced): every row is drawn again.
    void RedrawAll();
    void SetColumnText(int column, const QString& text);

  private:
    const Dictionary& dictionary_;
    int itemCount_ = 0;
    bool phantomTop_ = false;  // row 0 has no entry (a failed insertion)
    std::array<QString, kColumnCount> headers_;
};

}  // namespace wk
