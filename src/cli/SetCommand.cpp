#include "cli/AttributeArgs.h"
#include "cli/ChangeRun.h"
#include "cli/Options.h"
#include "cli/TimeArgs.h"
#include "filelist/FileFacts.h"

#include <optional>

namespace {

// The window's update from the command line: the same request, the same engine.
class SetCommand : public Subcommand {
public:
    void Define(CLI::App& app, const CliContext& context) override {
        const auto time = [now = context.now](const std::string& text, TimeArg& out, std::string& error) {
            return ParseTime(text, now, out, error);
        };
        AddParsedOption(app, "--created", m_created, "TIME",
                        "The creation time: 2005-10-12T14:06:42 (local), with +09:00 or Z, or now", time);
        AddParsedOption(app, "--modified", m_modified, "TIME", "The last-write time, written the same way",
                        time);
        AddParsedOption(app, "--attributes", m_attributes, "LIST",
                        "\"+r -h +a\" sets and clears these, keeping the others; \"=ra\" gives exactly these",
                        [](const std::string& text, ApplyRequest::AttributeChange& out, std::string& error) {
                            return ParseAttributeList(text, out, error);
                        });
        m_targets.Define(app);
    }

    std::string Check() const override {
        return m_created || m_modified || m_attributes
                   ? std::string()
                   : "nothing to change: give --created, --modified or --attributes";
    }

    int Run(const CliContext& context) override {
        ApplyRequest request;
        if (m_created) {
            Ask(*m_created, request.setCreated, request.created, request.createdUtc);
        }
        if (m_modified) {
            Ask(*m_modified, request.setUpdated, request.updated, request.updatedUtc);
        }
        if (m_attributes) {
            request.setAttributes = 1;
            request.attributeChange = m_attributes;
        }
        return m_targets.Run(request, context, TimesText());
    }

private:
    // "作成日時 2005/10/12 14:06:42 +09:00" for the list of runs: a time given with its offset
    // keeps it, as read as local time it would name another moment wherever the clocks differ.
    std::string TimesText() const {
        std::string text;
        for (const auto& [name, time] :
             {std::pair{"作成日時 ", &m_created}, std::pair{"更新日時 ", &m_modified}}) {
            if (*time) {
                const std::string offset = OffsetText(**time);
                text += (text.empty() ? "" : ", ") + std::string(name) + FormatSortTime((*time)->wall) +
                        (offset.empty() ? "" : " " + offset);
            }
        }
        return text;
    }

    // A local time goes to the engine as the window gives it. A moment fixed by its offset is
    // handed over as it is: converted through local time, an hour the clocks show twice would
    // come out as its first showing.
    static void Ask(const TimeArg& time, int& flag, SYSTEMTIME& local, ApplyRequest::Converted& converted) {
        flag = 1;
        local = time.wall;
        if (time.moment) {
            converted.from = time.wall;
            converted.utc = time.moment;
        }
    }

    std::optional<TimeArg> m_created;
    std::optional<TimeArg> m_modified;
    std::optional<ApplyRequest::AttributeChange> m_attributes;
    ChangeTargets m_targets;
};

} // namespace

std::unique_ptr<Subcommand> MakeSetCommand() {
    return std::make_unique<SetCommand>();
}
