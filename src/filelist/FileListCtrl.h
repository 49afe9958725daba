#pragma once

#include "filelist/EntryCompare.h"
#include "filelist/FileEntry.h"
#include "filelist/FileFacts.h"

#include <QTreeView>

#include <array>
#include <memory>
#include <vector>

class FileListModel;
class FileTypes;
class SortHeaderView;
class CImageList;

// The file list: one row per FileEntry, which the row owns; seven columns in an order the user
// may change by dragging their headers; sorted by a column clicked in the header, with the
// sort arrow beside its title.
class CFileListCtrl : public QTreeView {
    Q_OBJECT
public:
    explicit CFileListCtrl(QWidget* parent = nullptr);
    ~CFileListCtrl() override;

    // Columns: titles and alignment are fixed, widths come from the settings.
    void InsertColumns(const std::array<int, kListColumns>& widths);
    // The display position of each column; an order that is not a permutation of 0-6 is
    // ignored and the natural order kept.
    void SetColumnOrder(const std::array<int, kListColumns>& order);
    std::array<int, kListColumns> GetColumnWidths() const;
    std::array<int, kListColumns> GetColumnOrder() const;
    void SetHeaderImages(const CImageList& arrows);

    // Adds a batch at the end with one notification, reading the facts now; the caller sorts
    // afterwards.
    void InsertEntries(std::vector<std::unique_ptr<FileEntry>> entries);
    // The same with facts looked at before (LookAtRows): facts[i] for entries[i], and only the
    // entries that have facts.
    void InsertEntries(std::vector<std::unique_ptr<FileEntry>> entries, const std::vector<RowFacts>& facts);
    // Reads the row's attributes, times and size again.
    void RefreshRow(int row);
    // The same with facts looked at before: facts[i] for rows[i]; rows without facts stay.
    void RefreshRows(const std::vector<int>& rows, const std::vector<RowFacts>& facts);
    void DeleteRows(const std::vector<int>& rows);

    FileEntry* GetEntry(int row) const;
    int GetItemCount() const;
    std::string GetItemText(int row, int column) const;
    // Selected rows in display order.
    std::vector<int> GetSelectedRows() const;

    // Sort state, kept in the settings.
    int m_sortColumn = 0;
    int m_sortFlags = kDefaultSortFlags;

    // Orders the rows by m_sortFlags (stable).
    void SortItems();
    // The arrow of the current direction beside m_sortColumn's title.
    void ShowSortArrow();
    // A click on a column header: new sort state, sort, arrows.
    void OnColumnClick(int column);

    SortHeaderView* Header() const { return m_header; }

private:
    std::unique_ptr<FileTypes> m_types;
    FileListModel* m_model = nullptr;
    SortHeaderView* m_header = nullptr;
};
