#pragma once

#include "filelist/FileEntry.h"
#include "filelist/FileFacts.h"

#include <QAbstractTableModel>

#include <memory>
#include <vector>

class FileTypes;

// The rows of the file list. Each row owns its FileEntry; the column texts are made from the
// entry when shown, so a row costs little more than its entry.
class FileListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    FileListModel(FileTypes& types, QObject* parent = nullptr);
    ~FileListModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Adds entries at the end with the facts looked at for them (facts[i] for entries[i]), then
    // each one's type and icon (the facts first: they decide whether it is a folder). One
    // notification for the whole batch.
    void Append(std::vector<std::unique_ptr<FileEntry>> entries, const std::vector<RowFacts>& facts);
    // Reads attributes, times and size again; name, type, icon and folder flag stay.
    void Refresh(int row);
    // Refresh with facts looked at before: facts[i] for rows[i]. One notification.
    void Refresh(const std::vector<int>& rows, const std::vector<RowFacts>& facts);
    // Removes rows (any order); their entries go with them.
    void Remove(std::vector<int> rows);

    FileEntry* Entry(int row) const;

    // Orders the rows stably by the sort flags; selections and the current row follow them.
    void Sort(int flags);

    // The texts the columns show, as plain strings (for tests and copying).
    std::string ColumnText(int row, int column) const;

private:
    struct Row {
        std::unique_ptr<FileEntry> entry;
        int type = 0;
        bool sizeShown = false; // the size could be read
    };

    void StoreNew(Row& row, const RowFacts& facts);

    FileTypes& m_types;
    std::vector<Row> m_rows;
};
