#include "cli/ChangeRun.h"
#include "cli/CliError.h"
#include "cli/Exif.h"
#include "cli/Options.h"
#include "platform/Error.h"

namespace {

// Where a copied time comes from.
struct Source {
    enum class Kind { OtherTime, Photo, Reference };
    Kind kind = Kind::OtherTime;
    platform::UtcTime reference; // with Reference
};

// "modified" (or "created": otherName), "exif", or a reference file whose time of this kind
// (its creation time with created) is read now, once.
bool ParseSource(const std::string& text, const char* otherName, bool created, Source& out,
                 std::string& error) {
    if (text == otherName) {
        out.kind = Source::Kind::OtherTime;
        return true;
    }
    if (text == "exif") {
        if (!ExifReaderBuiltIn()) {
            error = "exif: this build of datemark-cli reads no Exif data";
            return false;
        }
        out.kind = Source::Kind::Photo;
        return true;
    }
    platform::FileInfo info;
    if (const auto e = platform::QueryFile(platform::ItemRef::Path(text), info)) {
        error = "'" + text + "' is neither " + otherName +
                ", exif nor a file that can be read: " + platform::ErrorText(e);
        return false;
    }
    if (created && !info.created) {
        error = "'" + text + "' shows no creation time";
        return false;
    }
    out.kind = Source::Kind::Reference;
    out.reference = created ? *info.created : info.updated;
    return true;
}

// One time given from another: the item's other time, the photo's capture date, or a file's.
class CopyCommand : public Subcommand {
public:
    void Define(CLI::App& app, const CliContext&) override {
        AddParsedOption(app, "--created-from", m_created, "modified|exif|FILE",
                        "Give the creation time from the last-write time, the photo's Exif capture date, or "
                        "FILE's creation time",
                        [](const std::string& text, Source& out, std::string& error) {
                            return ParseSource(text, "modified", true, out, error);
                        });
        AddParsedOption(app, "--modified-from", m_modified, "created|exif|FILE",
                        "Give the last-write time from the creation time, the photo's Exif capture date, or "
                        "FILE's last-write time",
                        [](const std::string& text, Source& out, std::string& error) {
                            return ParseSource(text, "created", false, out, error);
                        });
        m_targets.Define(app);
    }

    std::string Check() const override {
        return m_created || m_modified ? std::string()
                                       : "nothing to change: give --created-from or --modified-from";
    }

    int Run(const CliContext& context) override {
        ApplyRequest request;
        request.setCreated = m_created ? 1 : 0;
        request.setUpdated = m_modified ? 1 : 0;
        request.timesOfItem = [this](const platform::Item& item, ApplyRequest::ItemTimes& times) {
            return Fill(item, times);
        };
        return m_targets.Run(request, context);
    }

private:
    // Both times from the item's times as they were, so that the two may also swap.
    std::error_code Fill(const platform::Item& item, ApplyRequest::ItemTimes& times) const {
        const ApplyRequest::ItemTimes before = times;
        std::optional<platform::UtcTime> captured;
        const auto pick = [&](const Source& source, const std::optional<platform::UtcTime>& other,
                              platform::UtcTime& out) -> std::error_code {
            switch (source.kind) {
            case Source::Kind::OtherTime:
                if (!other) {
                    return cli::Errc::no_creation_time;
                }
                out = *other;
                return {};
            case Source::Kind::Photo:
                if (!captured) {
                    platform::UtcTime moment;
                    if (auto error = CaptureTime(item, moment)) {
                        return error;
                    }
                    captured = moment;
                }
                out = *captured;
                return {};
            case Source::Kind::Reference:
                out = source.reference;
                return {};
            }
            return {};
        };
        if (m_created) {
            platform::UtcTime created;
            if (auto error = pick(*m_created, before.updated, created)) {
                return error;
            }
            times.created = created;
        }
        return m_modified ? pick(*m_modified, before.created, times.updated) : std::error_code();
    }

    std::optional<Source> m_created;
    std::optional<Source> m_modified;
    ChangeTargets m_targets;
};

} // namespace

std::unique_ptr<Subcommand> MakeCopyCommand() {
    return std::make_unique<CopyCommand>();
}
