#include "cli/CliError.h"

namespace cli {
namespace {

class CliErrorCategory final : public std::error_category {
public:
    const char* name() const noexcept override { return "datemark-cli"; }
    std::string message(int code) const override {
        switch (static_cast<Errc>(code)) {
        case Errc::no_capture_date:
            return "撮影日時 (Exif DateTimeOriginal) がありません";
        case Errc::bad_capture_date:
            return "撮影日時 (Exif DateTimeOriginal) を日時として読めません";
        case Errc::not_a_photo:
            return "撮影日時を読める画像ファイルではありません";
        case Errc::exif_unreadable:
            return "画像の Exif データを読めません";
        case Errc::no_creation_time:
            return "作成日時がないため、もとにする日時がありません";
        case Errc::folder_not_asked:
            return "フォルダです。フォルダ自身は --folders、中身は -r で変更します";
        }
        return {};
    }
};

} // namespace

const std::error_category& CliCategory() {
    static const CliErrorCategory category;
    return category;
}

std::error_code make_error_code(Errc e) {
    return {static_cast<int>(e), CliCategory()};
}

} // namespace cli
