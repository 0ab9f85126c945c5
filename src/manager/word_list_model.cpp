// SPDX-License-Identifier: MIT
#include "word_list_model.h"

#include "skeleton/qt_text.h"

namespace wk {

WordListModel::WordListModel(const Dictionary& dictionary, QObject* parent)
    : QAbstractTableModel(parent), dictionary_(dictionary) {
    for (int column = 0; column < kColumnCount; ++column)
        headers_[static_cast<std::size_t>(column)] = ToQString(InitialHeaderText(column));
}

int WordListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : itemCount_;
}

int WordListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant WordListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.parent().isValid()) return {};
    const int row = index.row();
    if (row < 0 || row >= itemCount_) return {};
    // The count the view was given may run ahead of the store for a moment (a change is
    // being made); rows beyond the store are drawn empty rather than from a stale entry.
    const int position = phantomTop_ ? row - 1 : row;
    if (position < 0 || position >= dictionary_.wordCount) return {};
    const EntryRef entry = dictionary_.wordList.EntryAt(position);
    if (!entry) return {};
    switch (index.column()) {
        case 0:
            return ToQString(entry->reading);
        case 1:
            return ToQString(entry->word);
        case 2:
            return ToQString(entry->posName);
        default:
            return {};
    }
}

QVariant WordListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    if (role == Qt::DisplayRole) return headers_[static_cast<std::size_t>(section)];
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    return {};
}

Qt::ItemFlags WordListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void WordListModel::SetItemCount(int count) {
    beginResetModel();
    itemCount_ = count < 0 ? 0 : count;
    endResetModel();
}

void WordListModel::BeginInsertAtTop() { beginInsertRows(QModelIndex(), 0, 0); }

void WordListModel::EndInsertAtTop(bool inserted) {
    // A word that could not be stored leaves an empty row on top for a moment, which goes
    // again at once, so that every row keeps its entry throughout.
    phantomTop_ = !inserted;
    ++itemCount_;
    endInsertRows();
    if (!inserted) {
        beginRemoveRows(QModelIndex(), 0, 0);
        --itemCount_;
        phantomTop_ = false;
        endRemoveRows();
    }
}

void WordListModel::RedrawAll() {
    if (itemCount_ > 0) emit dataChanged(index(0, 0), index(itemCount_ - 1, kColumnCount - 1));
}

void WordListModel::SetColumnText(int column, const QString& text) {
    if (column < 0 || column >= kColumnCount) return;
    headers_[static_cast<std::size_t>(column)] = text;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

}  // namespace wk
