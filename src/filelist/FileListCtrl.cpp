#include "filelist/FileListCtrl.h"

#include "filelist/FileListModel.h"
#include "filelist/SortHeaderView.h"
#include "shell/FileTypes.h"

#include <QItemSelectionModel>

#include <algorithm>

CFileListCtrl::CFileListCtrl(QWidget* parent)
    : QTreeView(parent), m_types(std::make_unique<FileTypes>()), m_model(new FileListModel(*m_types, this)),
      m_header(new SortHeaderView(this)) {
    setHeader(m_header);
    setModel(m_model);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTextElideMode(Qt::ElideRight);
    setIconSize(QSize(16, 16));
    // Narrow columns are allowed, but not so narrow that the user loses them.
    m_header->setMinimumSectionSize(8);
    // The tree view set its header up for itself: sections not clickable unless it sorts (it
    // does not: the rows sort by the program's own rule) and a first column that cannot move.
    m_header->setSectionsClickable(true);
    m_header->setFirstSectionMovable(true);
    connect(m_header, &QHeaderView::sectionClicked, this, &CFileListCtrl::OnColumnClick);
}

CFileListCtrl::~CFileListCtrl() = default;

void CFileListCtrl::InsertColumns(const std::array<int, kListColumns>& widths) {
    for (int i = 0; i < kListColumns; ++i) {
        m_header->resizeSection(i, std::max(m_header->minimumSectionSize(), widths[static_cast<size_t>(i)]));
    }
}

void CFileListCtrl::SetColumnOrder(const std::array<int, kListColumns>& order) {
    std::array<bool, kListColumns> seen{};
    for (const int position : order) {
        if (position < 0 || position >= kListColumns || seen[static_cast<size_t>(position)]) {
            return;
        }
        seen[static_cast<size_t>(position)] = true;
    }
    for (int position = 0; position < kListColumns; ++position) {
        const auto column = std::find(order.begin(), order.end(), position) - order.begin();
        m_header->moveSection(m_header->visualIndex(static_cast<int>(column)), position);
    }
}

std::array<int, kListColumns> CFileListCtrl::GetColumnWidths() const {
    std::array<int, kListColumns> widths{};
    for (int i = 0; i < kListColumns; ++i) {
        widths[static_cast<size_t>(i)] = m_header->sectionSize(i);
    }
    return widths;
}

std::array<int, kListColumns> CFileListCtrl::GetColumnOrder() const {
    std::array<int, kListColumns> order{};
    for (int i = 0; i < kListColumns; ++i) {
        order[static_cast<size_t>(i)] = m_header->visualIndex(i);
    }
    return order;
}

void CFileListCtrl::SetHeaderImages(const CImageList& arrows) {
    m_header->SetArrowImages(arrows);
}

void CFileListCtrl::InsertEntries(std::vector<std::unique_ptr<FileEntry>> entries) {
    std::vector<const FileEntry*> rows(entries.size());
    std::transform(entries.begin(), entries.end(), rows.begin(), [](const auto& e) { return e.get(); });
    const std::vector<RowFacts> facts = LookAtRows(rows, nullptr);
    InsertEntries(std::move(entries), facts);
}

void CFileListCtrl::InsertEntries(std::vector<std::unique_ptr<FileEntry>> entries,
                                  const std::vector<RowFacts>& facts) {
    m_model->Append(std::move(entries), facts);
}

void CFileListCtrl::RefreshRow(int row) {
    m_model->Refresh(row);
}

void CFileListCtrl::RefreshRows(const std::vector<int>& rows, const std::vector<RowFacts>& facts) {
    m_model->Refresh(rows, facts);
}

void CFileListCtrl::DeleteRows(const std::vector<int>& rows) {
    m_model->Remove(rows);
}

FileEntry* CFileListCtrl::GetEntry(int row) const {
    return m_model->Entry(row);
}

int CFileListCtrl::GetItemCount() const {
    return m_model->rowCount();
}

std::string CFileListCtrl::GetItemText(int row, int column) const {
    return row >= 0 && row < GetItemCount() ? m_model->ColumnText(row, column) : std::string();
}

std::vector<int> CFileListCtrl::GetSelectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows()) {
        rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CFileListCtrl::SortItems() {
    m_model->Sort(m_sortFlags);
}

void CFileListCtrl::ShowSortArrow() {
    m_header->SetArrow(m_sortColumn, (m_sortFlags & SORT_ASCENDING) != 0);
}

void CFileListCtrl::OnColumnClick(int column) {
    const SortState next = NextSortState({m_sortColumn, m_sortFlags}, column);
    m_sortColumn = next.column;
    m_sortFlags = next.flags;
    SortItems();
    ShowSortArrow();
}
