#pragma once
// The file list of the results window as a Qt table model: a view over the
// rows the results model holds for the selected folder or the last search.
// Rows are only read when the view paints them, so a folder of 50,000 files
// costs the view nothing until it scrolls there.
#include <QAbstractTableModel>

class ResultsModel;
struct ListRow;

class ResultListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { kNameColumn = 0, kSizeColumn = 1, kTimeColumn = 2, kColumnCount = 3 };

    explicit ResultListModel(ResultsModel& results, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    const ListRow* RowAt(int row) const;

    // Runs `change`, which replaces the results model's rows (another
    // folder, a search), as one reset of the view.
    template <typename Change>
    auto ReplaceRows(Change change) {
        beginResetModel();
        auto result = change();
        endResetModel();
        return result;
    }
    // Ticks of the shown rows changed in the results model.
    void RefreshTicks();

signals:
    // A row's tick was clicked; ticking one also ticks the listed folder.
    void rowTickChanged();

private:
    ResultsModel& m_results;
};
