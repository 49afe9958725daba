#pragma once

class FileEntry;

// The list's sort state: one key bit (1 << column) and one direction bit.
inline constexpr int SORT_ASCENDING = 0x80;
inline constexpr int SORT_DESCENDING = 0x100;
inline constexpr int kListColumns = 7; // name, size, type, created, updated, attributes, folder
inline constexpr int kDefaultSortFlags = SORT_ASCENDING | 0x01;

constexpr int SortKeyBit(int column) {
    return 1 << column;
}

// Orders two rows by the first key bit set in flags (0 when there is none): folders before
// files, then the key, then the name; descending turns the whole result round, so folders come
// last. Texts compare by their code page 932 codes; times to the second, a missing time first.
int CompareEntries(const FileEntry& first, const FileEntry& second, int flags);

// CompareEntries with the flags read once, for sorting many rows.
class EntryOrder {
public:
    explicit EntryOrder(int flags);
    int Compare(const FileEntry& first, const FileEntry& second) const;
    bool operator()(const FileEntry& first, const FileEntry& second) const {
        return Compare(first, second) < 0;
    }

private:
    int m_column;
    bool m_descending;
};

struct SortState {
    int column = 0;
    int flags = kDefaultSortFlags;
    friend bool operator==(const SortState&, const SortState&) = default;
};

// A click on a column header: the same column turns the direction round, another column sorts
// by it ascending.
SortState NextSortState(const SortState& current, int clickedColumn);

// The column whose key bit comes first in flags, or -1.
int SortKeyColumn(int flags);
