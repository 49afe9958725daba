#pragma once

#include <cstdint>
#include <span>

// Dialog templates as data: every control with its id, kind, text, place in dialog units and
// style. One builder (DialogBuilder) turns them into widgets for every dialog.

enum class ControlKind {
    CheckBox, // two-state check box that toggles itself
    PushLikeCheckBox,
    PushButton,
    DefaultPushButton,
    DatePicker, // date with a drop-down calendar
    TimePicker, // time with up-down arrows
    ListView,
    GroupBox,
    ToolButton,    // a small flat button showing a picture (the set-to-now clocks)
    MultiLineEdit, // read-only text with both scroll bars (the results window)
    Label,
    Icon,        // the program icon (About box)
    ProgressBar, // a bar without text
};

// The style bits the builder honours.
namespace style {
inline constexpr uint32_t TabStop = 0x00010000; // reached with Tab
inline constexpr uint32_t Disabled = 0x08000000;
inline constexpr uint32_t RightAlign = 0x00000020; // a picker's calendar opens to the right
inline constexpr uint32_t ShowsImage = 0x00000080; // a button showing a picture instead of its text
inline constexpr uint32_t ReadOnly = 0x00000800;
inline constexpr uint32_t Centred = 0x00000001; // label text centred
} // namespace style

struct ControlTemplate {
    int id; // -1 for controls nobody addresses (group boxes, labels)
    ControlKind kind;
    const char* text; // UTF-8
    int x;
    int y;
    int cx;
    int cy;
    uint32_t style;
};

struct DialogTemplate {
    int id;
    const char* caption;
    int cx; // client area, dialog units
    int cy;
    const char* fontName;
    int fontPoints;
    std::span<const ControlTemplate> controls;
};

// The main window.
const DialogTemplate& MainDialogTemplate();
// The results window of an update.
const DialogTemplate& ResultDialogTemplate();
// The About box.
const DialogTemplate& AboutDialogTemplate();
// The version check's news of a newer release.
const DialogTemplate& VersionupDialogTemplate();
// The progress of a long run; its caption is the caller's.
const DialogTemplate& ProgressDialogTemplate();
// What an update would do, before it does it.
const DialogTemplate& PreviewDialogTemplate();
// The kept runs, to choose one to undo.
const DialogTemplate& RunsDialogTemplate();

// Control ids of the main window.
namespace idc {
inline constexpr int SetCreated = 1001;
inline constexpr int CreatedDate = 1002;
inline constexpr int CreatedTime = 1003;
inline constexpr int SetUpdated = 1004;
inline constexpr int UpdatedDate = 1005;
inline constexpr int UpdatedTime = 1006;
inline constexpr int SubFolder = 1007;
inline constexpr int FolderTarget = 1008;
inline constexpr int ShowResult = 1009;
inline constexpr int SetAttributes = 1010;
inline constexpr int ReadOnly = 1011;
inline constexpr int Hidden = 1012;
inline constexpr int Archive = 1013;
inline constexpr int List = 1014;
inline constexpr int AddFiles = 1015;
inline constexpr int AddFolder = 1016;
inline constexpr int Delete = 1017;
inline constexpr int Refresh = 1018;
inline constexpr int SelectAll = 1019;
inline constexpr int Update = 1020;
inline constexpr int Exit = 1021;
inline constexpr int TopMost = 1026;
inline constexpr int NowUpdated = 1050; // commands of the two clock buttons
inline constexpr int NowCreated = 1051;
inline constexpr int NowCreatedBar = 10000;
inline constexpr int NowUpdatedBar = 10001;
inline constexpr int Explorer = 32771;
inline constexpr int Properties = 32772;
// The results window, the About box, the version check's result and the progress window.
inline constexpr int Ok = 1;
inline constexpr int Close = 2;
inline constexpr int Cancel = 2;
inline constexpr int AboutVersion = 1021;
inline constexpr int HomeLink = 1022;
inline constexpr int MailLink = 1023;
inline constexpr int VersionMessage = 1025;
inline constexpr int ResultText = 1009;
inline constexpr int Copy = 1024;
inline constexpr int Undo = 1027;
inline constexpr int ProgressCount = 1030;
inline constexpr int ProgressFolder = 1031;
inline constexpr int ProgressBar = 1032;
inline constexpr int ProgressTime = 1033;
inline constexpr int PreviewList = 1034;
inline constexpr int PreviewTotals = 1035;
inline constexpr int RunList = 1036;
inline constexpr int RunPreview = 1037;
} // namespace idc
