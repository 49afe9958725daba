#include "platform/Error.h"

namespace platform {
namespace {

class DatemarkErrorCategory final : public std::error_category {
public:
    const char* name() const noexcept override { return "datemark"; }
    std::string message(int code) const override {
        switch (static_cast<Errc>(code)) {
        case Errc::creation_time_unsupported:
            return "このファイルシステムでは作成日時を変更できません";
        case Errc::time_not_stored:
            return "このファイルシステムには指定した日時を保存できません";
        case Errc::invalid_time:
            return "指定した日時を変換できません";
        case Errc::attributes_unsupported:
            return "このファイルシステムでは属性を変更できません";
        case Errc::dos_record_newer:
            return "拡張属性 user.DOSATTRIB が新しい形式のため変更できません";
        case Errc::dos_record_damaged:
            return "拡張属性 user.DOSATTRIB が壊れているため変更できません";
        case Errc::no_safe_way:
            return "リンクをたどらずに変更する方法がこのシステムにないため、変更しませんでした";
        case Errc::hidden_by_name:
            return "名前が「.」で始まるため、隠し属性は外れません";
        case Errc::not_a_file_or_folder:
            return "デバイス、FIFO、ソケットには属性を設定しません";
        case Errc::contents_skipped:
            return "フォルダの中は処理されませんでした";
        case Errc::kernel_file_system:
            return "カーネルのファイルシステムなので、中に入らず変更もしませんでした";
        case Errc::became_link:
            return "一覧に加えた後でシンボリックリンクに置き換えられたため、変更しませんでした";
        case Errc::journal_damaged:
            return "記録が壊れているため、元に戻せません";
        case Errc::journal_unwritable:
            return "元に戻すための記録を書けないため、変更しませんでした";
        case Errc::changed_since:
            return "その後ほかのプログラムが変更したため、元に戻しませんでした";
        case Errc::item_missing:
            return "見つからないため、元に戻せません";
        case Errc::folder_moved:
            return "処理中にフォルダが移動されたため、残りの中身は処理されませんでした";
        }
        return {};
    }
};

} // namespace

const std::error_category& DatemarkCategory() {
    static const DatemarkErrorCategory category;
    return category;
}

std::error_code make_error_code(Errc e) {
    return {static_cast<int>(e), DatemarkCategory()};
}

std::string ErrorText(const std::error_code& error) {
    // Other categories (the layer's own, the command line's) carry their texts themselves.
    if (error.category() != std::system_category() && error.category() != std::generic_category()) {
        return error.message();
    }
#ifdef _WIN32
    // Windows system codes are not errno values: those keep the C library's text.
    if (error.category() == std::generic_category()) {
        return error.message();
    }
#endif
    return SystemErrorText(error.value(), "");
}

} // namespace platform
