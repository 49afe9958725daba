#include "cli/ChangeRun.h"
#include "cli/CliError.h"
#include "cli/Options.h"
#include "cli/TimeArgs.h"
#include "platform/Error.h"

#include <optional>

namespace {

// A time moved by a number of seconds; an error where it leaves the years 1601 to 9999.
std::error_code Moved(platform::UtcTime& time, int64_t seconds) {
    const platform::UtcTime moved{time.seconds + seconds, time.nanoseconds};
    const auto fields = platform::UtcToFields(moved);
    if (!fields || fields->wYear > platform::kLastYear) {
        return platform::Errc::invalid_time;
    }
    time = moved;
    return {};
}

// Each item's own times moved by the same amount.
class ShiftCommand : public Subcommand {
public:
    void Define(CLI::App& app, const CliContext&) override {
        const auto duration = [](const std::string& text, int64_t& out, std::string& error) {
            return ParseDuration(text, out, error);
        };
        AddParsedOption(app, "--created", m_created, "DURATION",
                        "Move the creation time: +1h, -2d3h, +1w, +90s, +00:30:00", duration);
        AddParsedOption(app, "--modified", m_modified, "DURATION",
                        "Move the last-write time, written the same way", duration);
        m_targets.Define(app);
    }

    std::string Check() const override {
        return m_created || m_modified ? std::string() : "nothing to change: give --created or --modified";
    }

    int Run(const CliContext& context) override {
        ApplyRequest request;
        request.setCreated = m_created ? 1 : 0;
        request.setUpdated = m_modified ? 1 : 0;
        request.timesOfItem = [this](const platform::Item&,
                                     ApplyRequest::ItemTimes& times) -> std::error_code {
            if (m_created) {
                if (!times.created) {
                    return cli::Errc::no_creation_time;
                }
                if (auto error = Moved(*times.created, *m_created)) {
                    return error;
                }
            }
            return m_modified ? Moved(times.updated, *m_modified) : std::error_code();
        };
        return m_targets.Run(request, context, Summary());
    }

private:
    // "作成日時 +3600 秒, 更新日時 -60 秒" for the list of runs.
    std::string Summary() const {
        std::string text;
        for (const auto& [name, seconds] :
             {std::pair{"作成日時 ", m_created}, std::pair{"更新日時 ", m_modified}}) {
            if (seconds) {
                text += (text.empty() ? "" : ", ") + std::string(name) + (*seconds >= 0 ? "+" : "") +
                        std::to_string(*seconds) + " 秒";
            }
        }
        return text;
    }

    std::optional<int64_t> m_created;
    std::optional<int64_t> m_modified;
    ChangeTargets m_targets;
};

} // namespace

std::unique_ptr<Subcommand> MakeShiftCommand() {
    return std::make_unique<ShiftCommand>();
}
