#include "filelist/FileListModel.h"

#include "filelist/EntryCompare.h"
#include "shell/FileTypes.h"

#include <algorithm>

namespace {

const char* const kTitles[kListColumns] = {"名前",     "サイズ", "種類",    "作成日付",
                                           "更新日付", "属性",   "フォルダ"};
constexpr int kSizeColumn = 1;

} // namespace

FileListModel::FileListModel(FileTypes& types, QObject* parent)
    : QAbstractTableModel(parent), m_types(types) {}

FileListModel::~FileListModel() = default;

int FileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int FileListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kListColumns;
}

std::string FileListModel::ColumnText(int row, int column) const {
    const Row& r = m_rows.at(static_cast<size_t>(row));
    const FileEntry& e = *r.entry;
    switch (column) {
    case 0:
        return e.GetName();
    case 1:
        return r.sizeShown && e.IsFolder() == 0 ? e.GetSizeText() : std::string();
    case 2:
        return e.GetTypeName();
    case 3:
        return e.GetCreated() != nullptr ? FormatListTime(*e.GetCreated()) : std::string();
    case 4:
        return e.GetUpdated() != nullptr ? FormatListTime(*e.GetUpdated()) : std::string();
    case 5:
        return e.GetAttrText();
    case 6:
        return e.GetFolder();
    default:
        return {};
    }
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        if (index.column() == 2) {
            return m_types.Comment(m_rows[static_cast<size_t>(index.row())].type);
        }
        return QString::fromStdString(ColumnText(index.row(), index.column()));
    case Qt::DecorationRole:
        return index.column() == 0 ? QVariant(m_types.Icon(m_rows[static_cast<size_t>(index.row())].type))
                                   : QVariant();
    case Qt::TextAlignmentRole:
        return index.column() == kSizeColumn ? int(Qt::AlignRight | Qt::AlignVCenter)
                                             : int(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kListColumns) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return QString::fromUtf8(kTitles[section]);
    }
    if (role == Qt::TextAlignmentRole) {
        return section == kSizeColumn ? int(Qt::AlignRight | Qt::AlignVCenter)
                                      : int(Qt::AlignLeft | Qt::AlignVCenter);
    }
    return {};
}

Qt::ItemFlags FileListModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void FileListModel::StoreNew(Row& row, const RowFacts& facts) {
    row.sizeShown = StoreRowFacts(*row.entry, facts, FactsRead::Insert);
    row.type = m_types.TypeOf(row.entry->GetName(), row.entry->IsFolder() != 0);
    row.entry->SetTypeName(m_types.CommentUtf8(row.type));
}

void FileListModel::Append(std::vector<std::unique_ptr<FileEntry>> entries,
                           const std::vector<RowFacts>& facts) {
    const size_t count = std::min(entries.size(), facts.size());
    if (count == 0) {
        return;
    }
    std::vector<Row> rows(count);
    for (size_t i = 0; i < count; ++i) {
        rows[i].entry = std::move(entries[i]);
        StoreNew(rows[i], facts[i]);
    }
    const int first = rowCount();
    beginInsertRows({}, first, first + static_cast<int>(rows.size()) - 1);
    m_rows.insert(m_rows.end(), std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
    endInsertRows();
}

void FileListModel::Refresh(int row) {
    if (row >= 0 && row < rowCount()) {
        Refresh({row}, {RowFactsReader().Look(*m_rows[static_cast<size_t>(row)].entry)});
    }
}

void FileListModel::Refresh(const std::vector<int>& rows, const std::vector<RowFacts>& facts) {
    int first = rowCount();
    int last = -1;
    for (size_t i = 0; i < rows.size() && i < facts.size(); ++i) {
        const int row = rows[i];
        if (row < 0 || row >= rowCount()) {
            continue;
        }
        Row& r = m_rows[static_cast<size_t>(row)];
        r.sizeShown = StoreRowFacts(*r.entry, facts[i], FactsRead::Refresh);
        first = std::min(first, row);
        last = std::max(last, row);
    }
    if (first <= last) {
        emit dataChanged(index(first, 0), index(last, kListColumns - 1));
    }
}

void FileListModel::Remove(std::vector<int> rows) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    // From the bottom, as runs of neighbouring rows: one notification per run.
    auto it = rows.rbegin();
    while (it != rows.rend()) {
        const int last = *it;
        int first = last;
        while (++it != rows.rend() && *it == first - 1) {
            --first;
        }
        if (first < 0 || last >= rowCount()) {
            continue;
        }
        beginRemoveRows({}, first, last);
        m_rows.erase(m_rows.begin() + first, m_rows.begin() + last + 1);
        endRemoveRows();
    }
}

FileEntry* FileListModel::Entry(int row) const {
    return row >= 0 && row < rowCount() ? m_rows[static_cast<size_t>(row)].entry.get() : nullptr;
}

void FileListModel::Sort(int flags) {
    if (m_rows.size() < 2) {
        return;
    }
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // Sorts (entry, old row) pairs: one indirection less per comparison than sorting rows.
    struct Item {
        const FileEntry* entry;
        int row;
    };
    std::vector<Item> items(m_rows.size());
    for (size_t i = 0; i < m_rows.size(); ++i) {
        items[i] = {m_rows[i].entry.get(), static_cast<int>(i)};
    }
    const EntryOrder entryOrder(flags);
    std::stable_sort(items.begin(), items.end(),
                     [&](const Item& a, const Item& b) { return entryOrder(*a.entry, *b.entry); });
    std::vector<int> order(items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        order[i] = items[i].row;
    }
    std::vector<Row> sorted;
    sorted.reserve(m_rows.size());
    std::vector<int> newRowOf(m_rows.size());
    for (size_t i = 0; i < order.size(); ++i) {
        sorted.push_back(std::move(m_rows[static_cast<size_t>(order[i])]));
        newRowOf[static_cast<size_t>(order[i])] = static_cast<int>(i);
    }
    m_rows = std::move(sorted);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& i : from) {
        to.push_back(index(newRowOf[static_cast<size_t>(i.row())], i.column()));
    }
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
