#pragma once

// The Windows numbers the program keeps, in one place: menu template and item flags, owner-draw
// item states, system colour and metric indexes, message boxes, dialog results, window menu
// commands. The names are not those
// of <windows.h>, whose macros would replace them wherever that header comes first.
namespace win32 {

namespace mf { // menu item flags (MF_*)
inline constexpr unsigned String = 0x0;
inline constexpr unsigned Enabled = 0x0;
inline constexpr unsigned Grayed = 0x1;
inline constexpr unsigned Disabled = 0x2;
inline constexpr unsigned Popup = 0x10;
inline constexpr unsigned End = 0x80; // the last item of a level in a template
inline constexpr unsigned OwnerDraw = 0x100;
inline constexpr unsigned ByPosition = 0x400;
inline constexpr unsigned Separator = 0x800;
} // namespace mf

namespace ods { // states of an owner-drawn item (ODS_*)
inline constexpr unsigned Selected = 0x1;
inline constexpr unsigned Grayed = 0x2;
inline constexpr unsigned Checked = 0x8;
} // namespace ods

namespace color { // system colour indexes (COLOR_*)
inline constexpr int Menu = 4;
inline constexpr int MenuText = 7;
inline constexpr int Highlight = 13;
inline constexpr int HighlightText = 14;
inline constexpr int Face3d = 15;
inline constexpr int BtnFace = 15;
inline constexpr int BtnShadow = 16;
inline constexpr int GrayText = 17;
inline constexpr int BtnText = 18;
inline constexpr int BtnHighlight = 20;
inline constexpr int Light3d = 22;
inline constexpr int Count = 31;
} // namespace color

namespace sm { // system metric indexes (SM_*)
inline constexpr int CyMenu = 15;
} // namespace sm

namespace mb { // message box types (MB_*)
inline constexpr unsigned Ok = 0x0;
inline constexpr unsigned YesNo = 0x4;
inline constexpr unsigned IconStop = 0x10;
inline constexpr unsigned IconQuestion = 0x20;
inline constexpr unsigned IconExclamation = 0x30;
inline constexpr unsigned IconInformation = 0x40;
} // namespace mb

namespace id { // dialog results and message box answers (ID*)
inline constexpr int Ok = 1;
inline constexpr int Cancel = 2;
inline constexpr int Yes = 6;
inline constexpr int No = 7;
} // namespace id

namespace sc { // window menu commands (SC_*)
inline constexpr unsigned Minimize = 0xF020;
inline constexpr unsigned Close = 0xF060;
} // namespace sc

} // namespace win32
