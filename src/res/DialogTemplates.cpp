#include "res/DialogTemplate.h"

namespace {

using K = ControlKind;
constexpr uint32_t kTab = style::TabStop;

// In tab order. The two clock buttons sit above the right end of each group's time picker.
constexpr ControlTemplate kMainControls[] = {
    {idc::SetCreated, K::CheckBox, "有効", 13, 19, 28, 9, kTab},
    {idc::CreatedDate, K::DatePicker, "", 13, 33, 64, 14, kTab | style::RightAlign},
    {idc::CreatedTime, K::TimePicker, "", 80, 33, 37, 14, kTab | style::RightAlign},
    {idc::SetUpdated, K::CheckBox, "有効", 133, 19, 28, 9, kTab},
    {idc::UpdatedDate, K::DatePicker, "", 133, 33, 64, 14, kTab},
    {idc::UpdatedTime, K::TimePicker, "", 200, 33, 37, 14, kTab},
    {idc::SetAttributes, K::CheckBox, "有効", 13, 70, 28, 9, kTab},
    {idc::ReadOnly, K::CheckBox, "読み取り専用", 65, 70, 52, 9, kTab},
    {idc::Hidden, K::CheckBox, "隠しファイル", 123, 70, 48, 9, kTab},
    {idc::Archive, K::CheckBox, "アーカイブ", 174, 70, 44, 9, kTab},
    {idc::SubFolder, K::CheckBox, "サブフォルダ", 254, 19, 49, 9, kTab},
    {idc::FolderTarget, K::CheckBox, "フォルダ対象", 254, 33, 49, 9, kTab},
    {idc::ShowResult, K::CheckBox, "結果表示", 254, 47, 49, 9, kTab},
    {idc::List, K::ListView, "", 7, 91, 308, 130, kTab},
    {idc::AddFiles, K::PushButton, "ﾌｧｲﾙ追加(&I)", 7, 225, 51, 14, kTab | style::ShowsImage},
    {idc::AddFolder, K::PushButton, "ﾌｫﾙﾀﾞ追加(&F)", 60, 225, 51, 14, kTab | style::ShowsImage},
    {idc::Delete, K::PushButton, "削除(&D)", 114, 225, 51, 14, kTab | style::ShowsImage},
    {idc::Refresh, K::PushButton, "最新情報(&U)", 168, 225, 51, 14, kTab},
    {idc::SelectAll, K::PushButton, "すべて選択(&A)", 7, 242, 51, 14, kTab},
    {idc::Update, K::DefaultPushButton, "更新(&E)", 264, 225, 51, 14, kTab | style::ShowsImage},
    {idc::Exit, K::PushButton, "終了(&X)", 264, 242, 51, 14, kTab},
    {idc::TopMost, K::PushLikeCheckBox, "常に手前", 60, 242, 51, 14, 0},
    {-1, K::GroupBox, "作成日時", 7, 7, 117, 48, 0},
    {-1, K::GroupBox, "更新日時", 127, 7, 117, 48, 0},
    {-1, K::GroupBox, "その他", 247, 7, 68, 80, 0},
    {-1, K::GroupBox, "属性", 7, 58, 237, 29, 0},
    {idc::NowCreatedBar, K::ToolButton, "現在日時の取得", 104, 16, 13, 16, 0},
    {idc::NowUpdatedBar, K::ToolButton, "現在日時の取得", 224, 16, 13, 16, 0},
};

constexpr DialogTemplate kMainDialog{102, "Datemark", 322, 263, "ＭＳ Ｐゴシック", 9, kMainControls};

constexpr ControlTemplate kResultControls[] = {
    {idc::ResultText, K::MultiLineEdit, "", 7, 7, 284, 185, kTab | style::ReadOnly},
    {idc::Undo, K::PushButton, "元に戻す", 7, 198, 50, 14, kTab},
    {idc::Copy, K::PushButton, "コピー", 186, 198, 50, 14, kTab},
    {idc::Close, K::DefaultPushButton, "閉じる", 241, 198, 50, 14, kTab},
};

constexpr DialogTemplate kResultDialog{142, "結果", 298, 219, "ＭＳ Ｐゴシック", 9, kResultControls};

constexpr ControlTemplate kAboutControls[] = {
    {-1, K::Icon, "", 11, 17, 18, 21, 0},
    {-1, K::Label, "Copyright (C) 2026 Datemark team", 40, 25, 119, 8, 0},
    {idc::Ok, K::DefaultPushButton, "OK", 178, 7, 50, 16, kTab},
    {idc::AboutVersion, K::Label, "", 40, 10, 119, 8, 0},
    {-1, K::Label, "ホームページ", 7, 51, 43, 8, 0},
    {-1, K::Label, "メール", 7, 62, 26, 8, 0},
    {idc::HomeLink, K::Label, "ＵＲＬ", 56, 51, 172, 8, 0},
    {idc::MailLink, K::Label, "メールアドレス", 56, 62, 172, 8, 0},
};

constexpr DialogTemplate kAboutDialog{100,           "バージョン情報 Datemark", 235, 77, "MS UI Gothic", 9,
                                      kAboutControls};

constexpr ControlTemplate kVersionupControls[] = {
    {idc::Ok, K::DefaultPushButton, "OK", 85, 60, 50, 14, kTab},
    {idc::VersionMessage, K::Label, "", 7, 13, 217, 8, 0},
    {-1, K::Label, "ホームページ", 7, 35, 43, 8, 0},
    {idc::HomeLink, K::Label, "ＵＲＬ", 56, 35, 168, 8, 0},
};

constexpr DialogTemplate kVersionupDialog{143, "最新ﾊﾞｰｼﾞｮﾝﾁｪｯｸ", 231, 81, "ＭＳ Ｐゴシック",
                                          9,   kVersionupControls};

constexpr ControlTemplate kProgressControls[] = {
    {idc::ProgressCount, K::Label, "", 7, 7, 216, 8, 0},
    {idc::ProgressFolder, K::Label, "", 7, 19, 216, 8, 0},
    {idc::ProgressBar, K::ProgressBar, "", 7, 31, 216, 9, 0},
    {idc::ProgressTime, K::Label, "", 7, 48, 110, 8, 0},
    {idc::Cancel, K::DefaultPushButton, "中止", 173, 45, 50, 14, kTab},
};

constexpr DialogTemplate kProgressDialog{144, "", 230, 66, "ＭＳ Ｐゴシック", 9, kProgressControls};

constexpr ControlTemplate kPreviewControls[] = {
    {idc::PreviewList, K::ListView, "", 7, 7, 406, 220, kTab},
    {idc::PreviewTotals, K::Label, "", 7, 236, 290, 8, 0},
    {idc::Update, K::PushButton, "更新", 308, 233, 50, 14, kTab},
    {idc::Close, K::DefaultPushButton, "閉じる", 363, 233, 50, 14, kTab},
};

constexpr DialogTemplate kPreviewDialog{145, "プレビュー", 420, 254, "ＭＳ Ｐゴシック", 9, kPreviewControls};

constexpr ControlTemplate kRunsControls[] = {
    {idc::RunList, K::ListView, "", 7, 7, 306, 150, kTab},
    {idc::RunPreview, K::PushButton, "プレビュー", 153, 163, 50, 14, kTab},
    {idc::Undo, K::DefaultPushButton, "元に戻す", 208, 163, 50, 14, kTab},
    {idc::Cancel, K::PushButton, "キャンセル", 263, 163, 50, 14, kTab},
};

constexpr DialogTemplate kRunsDialog{146, "元に戻す", 320, 184, "ＭＳ Ｐゴシック", 9, kRunsControls};

} // namespace

const DialogTemplate& PreviewDialogTemplate() {
    return kPreviewDialog;
}

const DialogTemplate& RunsDialogTemplate() {
    return kRunsDialog;
}

const DialogTemplate& ProgressDialogTemplate() {
    return kProgressDialog;
}

const DialogTemplate& AboutDialogTemplate() {
    return kAboutDialog;
}

const DialogTemplate& VersionupDialogTemplate() {
    return kVersionupDialog;
}

const DialogTemplate& MainDialogTemplate() {
    return kMainDialog;
}

const DialogTemplate& ResultDialogTemplate() {
    return kResultDialog;
}
