#pragma once

#include "filelist/EntryCompare.h"
#include "filelist/FileEntry.h"

#include <QTreeView>

#include <array>
#include <memory>
#include <vector>

struct ApplyRequest;
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

    // Adds a batch at the end with one notification; the caller sorts afterwards.
    void InsertEntries(std::vector<std::unique_ptr<FileEntry>> entries);
    // Reads the row's attributes, times and size again.
    void RefreshRow(int row);
    void RefreshAll();
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

    // Applies the request to the row's item (a folder with everything below it, as the request
    // says), then reads the row again. Failures are lines of the request's log.
    void ApplyToRow(int row, ApplyRequest& request);

    SortHeaderView* Header() const { return m_header; }

private:
    std::unique_ptr<FileTypes> m_types;
    FileListModel* m_model = nullptr;
    SortHeaderView* m_header = nullptr;
};
