#include "ui/ResultListModel.h"

#include "engine/ScanContext.h"
#include "results/GuessedContentCheck.h"
#include "results/RecoverySummary.h"
#include "results/ResultsModel.h"
#include "ui/ResultIcons.h"

#include <QBrush>
#include <QString>

namespace {

const char16_t* const kHeaders[ResultListModel::kColumnCount] = {u"文件名", u"大小", u"时间"};

}  // namespace

ResultListModel::ResultListModel(ResultsModel& results, QObject* parent)
    : QAbstractTableModel(parent), m_results(results) {}

int ResultListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_results.Rows().size());
}

int ResultListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

const ListRow* ResultListModel::RowAt(int row) const {
    const auto& rows = m_results.Rows();
    return row >= 0 && size_t(row) < rows.size() ? &rows[size_t(row)] : nullptr;
}

QVariant ResultListModel::data(const QModelIndex& index, int role) const {
    const ListRow* row = RowAt(index.row());
    if (!row) return {};
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
            case kNameColumn: return QString::fromStdU16String(row->name);
            case kSizeColumn: return QString::fromStdU16String(row->sizeText);
            case kTimeColumn: return QString::fromStdU16String(row->timeText);
            default: return {};
        }
    }
    // An encrypted file is listed so the user knows it was found, greyed so
    // nobody expects it back.
    if (row->item && row->item->encrypted) {
        if (role == Qt::ForegroundRole) return QBrush(Qt::gray);
        if (role == Qt::ToolTipRole) return QString::fromStdU16String(kEncryptedFileText);
    }
    // A file whose clusters were guessed is recovered like the others; the
    // user is only told its content may not be whole.
    if (role == Qt::ToolTipRole && IsContentGuessed(row->file, row->item))
        return QString::fromStdU16String(kGuessedContentText);
    if (index.column() != kNameColumn) return {};
    if (role == Qt::CheckStateRole) return row->checked ? Qt::Checked : Qt::Unchecked;
    if (role == Qt::DecorationRole) return ListIcon(row->icon);
    return {};
}

QVariant ResultListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kColumnCount) return {};
    return QString::fromStdU16String(kHeaders[section]);
}

Qt::ItemFlags ResultListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == kNameColumn) flags |= Qt::ItemIsUserCheckable;
    return flags;
}

bool ResultListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    const ListRow* row = RowAt(index.row());
    if (!row || role != Qt::CheckStateRole || index.column() != kNameColumn) return false;
    bool checked = value.value<Qt::CheckState>() == Qt::Checked;
    if (checked == row->checked) return true;
    m_results.ClickRowCheckBox(size_t(index.row()));
    emit dataChanged(index, index, {Qt::CheckStateRole});
    emit rowTickChanged();
    return true;
}

void ResultListModel::RefreshTicks() {
    if (rowCount() == 0) return;
    emit dataChanged(index(0, kNameColumn), index(rowCount() - 1, kNameColumn), {Qt::CheckStateRole});
}
