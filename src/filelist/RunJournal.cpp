#include "filelist/RunJournal.h"

#include "filelist/FileFacts.h"
#include "filelist/RunControl.h"
#include "platform/Process.h"

#include <chrono>

namespace {

platform::UtcTime Now() {
    const auto since = std::chrono::system_clock::now().time_since_epoch();
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(since).count();
    return {ns / 1'000'000'000, static_cast<uint32_t>(ns % 1'000'000'000)};
}

void AddPart(std::string& summary, const std::string& part) {
    summary += (summary.empty() ? "" : ", ") + part;
}

std::string Letters(uint32_t bits, char mark = '-') {
    std::string letters;
    letters += (bits & platform::attr::ReadOnly) != 0 ? 'R' : mark;
    letters += (bits & platform::attr::Hidden) != 0 ? 'H' : mark;
    letters += (bits & platform::attr::Archive) != 0 ? 'A' : mark;
    return letters;
}

std::string AttributePart(const ApplyRequest& request) {
    if (!request.attributeChange) {
        return "属性 " + Letters((request.readOnly != 0 ? platform::attr::ReadOnly : 0) |
                                 (request.hidden != 0 ? platform::attr::Hidden : 0) |
                                 (request.archive != 0 ? platform::attr::Archive : 0));
    }
    std::string part = "属性";
    for (const auto& [sign, bits] :
         {std::pair{'+', request.attributeChange->set}, std::pair{'-', request.attributeChange->clear}}) {
        std::string letters = Letters(bits, ' ');
        std::erase(letters, ' ');
        if (!letters.empty()) {
            part += std::string(" ") + sign + letters;
        }
    }
    return part;
}

} // namespace

std::string RunSummary(const ApplyRequest& request, const std::string& timesText) {
    std::string summary;
    const bool setsTimes = request.setCreated != 0 || request.setUpdated != 0;
    if (setsTimes && (request.timesOfItem || !timesText.empty())) {
        AddPart(summary, timesText.empty() ? "項目ごとの日時" : timesText);
    } else {
        if (request.setCreated != 0) {
            AddPart(summary, "作成日時 " + FormatSortTime(request.created));
        }
        if (request.setUpdated != 0) {
            AddPart(summary, "更新日時 " + FormatSortTime(request.updated));
        }
    }
    if (request.setAttributes != 0) {
        AddPart(summary, AttributePart(request));
    }
    return summary;
}

std::unique_ptr<journal::Writer> StartRunJournal(ApplyRequest& request, const std::string& folder,
                                                 std::error_code& error, const std::string& timesText) {
    const journal::RunHeader header{journal::RunKind::Update, Now(), RunSummary(request, timesText), ""};
    auto writer = journal::Writer::Start(folder, header, error);
    request.journal = writer.get();
    request.currentFolder = platform::CurrentFolder();
    request.journalError.clear();
    return writer;
}

std::error_code FinishRunJournal(journal::Writer& writer, ApplyRequest& request) {
    request.journal = nullptr;
    const bool stopped = request.journalError || (request.control != nullptr && request.control->Stopped());
    return writer.Finish({writer.Added(), stopped});
}
