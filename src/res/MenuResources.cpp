#include "res/MenuResources.h"

#include "menu/MenuTemplate.h"
#include "res/DialogTemplate.h"

namespace {

using win32::mf::End;
using win32::mf::Popup;

// The file list's context menu.
constexpr MenuSource kContextMenu[] = {
    {Popup | End, 0, u8"右クリック"},
    {0, idc::Update, u8"更新"},
    {}, // a separator
    {0, idc::AddFiles, u8"ﾌｧｲﾙ追加"},
    {0, idc::AddFolder, u8"ﾌｫﾙﾀﾞ追加"},
    {0, idc::Delete, u8"削除"},
    {},
    {0, idc::Explorer, u8"エクスプローラ"},
    {End, idc::Properties, u8"プロパティ"},
};

} // namespace

std::span<const uint8_t> MenuResource(int id) {
    if (id == IDR_CONTEXT_MENU) {
        return kMenuTemplate<kContextMenu>;
    }
    return {};
}
