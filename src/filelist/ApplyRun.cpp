#include "filelist/ApplyRun.h"

#include "filelist/FileEntry.h"
#include "filelist/RunControl.h"

std::string CancelledLine(uint64_t itemsDone) {
    return "中止しました（" + GroupedNumber(itemsDone) + " 項目を処理済み）\n";
}

size_t ApplyToEntries(std::span<const FileEntry* const> rows, ApplyRequest& request,
                      const std::function<void(size_t)>& rowDone) {
    RunControl* const control = request.control;
    if (control != nullptr) {
        control->StartRows(rows.size());
    }
    KnowRows(rows, request);
    size_t begun = 0;
    for (; begun < rows.size(); ++begun) {
        const FileEntry& row = *rows[begun];
        if (RunStopsHere(request)) {
            break;
        }
        if (control != nullptr) {
            control->StartRow(row, row.IsFolder() != 0 && request.subFolder != 0);
        }
        ApplyToEntry(row, request);
        if (rowDone) {
            rowDone(begun);
        }
        if (control != nullptr) {
            control->RowDone();
        }
    }
    // Lines that sum up the whole run belong here, after the last row, a cancelled run's too.
    FinishRun(request);
    if (control != nullptr && control->Stopped()) {
        request.log += CancelledLine(control->ItemsDone());
    }
    return begun;
}
