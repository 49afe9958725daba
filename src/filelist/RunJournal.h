#pragma once

#include "filelist/Apply.h"
#include "journal/Journal.h"

#include <memory>
#include <string>
#include <system_error>

// What the request asks, in one short line for a list of runs: "更新日時 2005/10/12 14:06:42,
// 属性 R--". The times are named by timesText when given ("更新日時 +1 時間", or a time with the
// offset it was given at); else times that depend on the item as "項目ごとの日時", and the
// request's own times as local time.
std::string RunSummary(const ApplyRequest& request, const std::string& timesText = {});

// Starts the journal of a run of the request in folder (journal::DefaultFolder() normally) and
// sets request.journal to it; the caller keeps the writer until FinishRunJournal. On failure
// (a folder that cannot be made or written, a full disk) returns null with the reason in error,
// and the run must not start: nothing has been changed.
std::unique_ptr<journal::Writer> StartRunJournal(ApplyRequest& request, const std::string& folder,
                                                 std::error_code& error, const std::string& timesText = {});

// Ends the journal after the run: the items it recorded and whether the run stopped early
// (cancelled, or the journal itself failed). Clears request.journal.
std::error_code FinishRunJournal(journal::Writer& writer, ApplyRequest& request);
