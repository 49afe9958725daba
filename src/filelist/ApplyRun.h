#pragma once

#include "filelist/Apply.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

// One update: each row in order through ApplyToEntry, rowDone(i) after row i (on the same
// thread), then what ends every run. With request.control, the rows and their items are counted
// there and the run stops between two items once cancelled; it still ends as every run does,
// and then its last line says that it was cancelled and how many items had been done. Returns
// how many rows were begun.
size_t ApplyToEntries(std::span<const FileEntry* const> rows, ApplyRequest& request,
                      const std::function<void(size_t)>& rowDone = {});

// The last line of a run stopped by a cancel.
std::string CancelledLine(uint64_t itemsDone);
