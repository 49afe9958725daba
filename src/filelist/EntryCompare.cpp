#include "filelist/EntryCompare.h"

#include "filelist/FileEntry.h"

#include <compare>
#include <tuple>

namespace {

int Sign(int v) {
    return (v > 0) - (v < 0);
}

int CompareKeys(const std::string& a, const std::string& b) {
    return Sign(a.compare(b));
}

// As the fixed-width "yyyy/mm/dd hh:mm:ss" texts compare: to the second, no time before any.
int CompareTimes(const SYSTEMTIME* a, const SYSTEMTIME* b) {
    if (a == nullptr || b == nullptr) {
        return (a != nullptr) - (b != nullptr);
    }
    const auto key = [](const SYSTEMTIME& t) {
        return std::tie(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
    };
    const auto order = key(*a) <=> key(*b);
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}

int CompareByKey(const FileEntry& a, const FileEntry& b, int column) {
    switch (column) {
    case 0:
        return CompareKeys(a.NameKey(), b.NameKey());
    case 1:
        return (a.GetSize() > b.GetSize()) - (a.GetSize() < b.GetSize());
    case 2:
        return CompareKeys(a.TypeKey(), b.TypeKey());
    case 3:
        return CompareTimes(a.GetCreated(), b.GetCreated());
    case 4:
        return CompareTimes(a.GetUpdated(), b.GetUpdated());
    case 5:
        // Only the letters R, H and A: their code order is their byte order.
        return CompareKeys(a.GetAttrText(), b.GetAttrText());
    case 6:
        return CompareKeys(a.FolderKey(), b.FolderKey());
    default:
        return 0;
    }
}

} // namespace

int SortKeyColumn(int flags) {
    for (int column = 0; column < kListColumns; ++column) {
        if ((flags & SortKeyBit(column)) != 0) {
            return column;
        }
    }
    return -1;
}

EntryOrder::EntryOrder(int flags)
    : m_column(SortKeyColumn(flags)), m_descending((flags & SORT_DESCENDING) != 0) {}

int EntryOrder::Compare(const FileEntry& first, const FileEntry& second) const {
    if (m_column < 0) {
        return 0;
    }
    int c = 0;
    if (first.IsFolder() != 0 && second.IsFolder() == 0) {
        c = -1;
    } else if (second.IsFolder() != 0 && first.IsFolder() == 0) {
        c = 1;
    } else {
        c = CompareByKey(first, second, m_column);
        if (c == 0 && m_column != 0) {
            c = CompareKeys(first.NameKey(), second.NameKey());
        }
    }
    return m_descending ? -c : c;
}

int CompareEntries(const FileEntry& first, const FileEntry& second, int flags) {
    return EntryOrder(flags).Compare(first, second);
}

SortState NextSortState(const SortState& current, int clickedColumn) {
    if (clickedColumn == current.column) {
        SortState next = current;
        if ((next.flags & SORT_ASCENDING) != 0) {
            next.flags = (next.flags & ~SORT_ASCENDING) | SORT_DESCENDING;
        } else {
            next.flags = (next.flags & ~SORT_DESCENDING) | SORT_ASCENDING;
        }
        return next;
    }
    return {clickedColumn, SORT_ASCENDING | SortKeyBit(clickedColumn)};
}
