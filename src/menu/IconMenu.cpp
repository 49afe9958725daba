#include "menu/IconMenu.h"

#include "menu/Bitmap.h"
#include "menu/MenuImages.h"
#include "res/MenuResources.h"
#include "res/Toolbars.h"

#include <QAction>
#include <QApplication>
#include <QFontMetrics>

#include <algorithm>

namespace {

// The shells this program runs under all draw 3-D menus with the face colour.
constexpr bool kIsNewShell = true;

COLORREF FaceColor() {
    return GetSysColor(kIsNewShell ? COLOR_3DFACE : COLOR_MENU);
}

int TextWidth(const QFontMetrics& metrics, const std::string& utf8) {
    return metrics.horizontalAdvance(QString::fromUtf8(utf8));
}

// The words before the first tab and after the last one.
struct SplitText {
    std::string left;
    std::string right;
    bool hasTab = false;
};

SplitText Split(const std::string& text) {
    const size_t first = text.find('\t');
    if (first == std::string::npos) {
        return {text, {}, false};
    }
    return {text.substr(0, first), text.substr(text.rfind('\t') + 1), true};
}

} // namespace

std::string IconMenuItem::GetText() const {
    return text ? Utf16ToUtf8(*text) : std::string();
}

void IconMenuItem::SetText(const char* newText) {
    if (newText == nullptr) {
        text.reset();
    } else {
        text = Utf8ToUtf16(newText);
    }
}

CIconMenu::~CIconMenu() {
    DestroyMenu();
}

QFont CIconMenu::MenuFont() {
    return QApplication::font("QMenu");
}

bool CIconMenu::LoadMenu(unsigned resourceId) {
    const auto bytes = MenuResource(static_cast<int>(resourceId));
    return !bytes.empty() && LoadMenuTemplate(bytes);
}

bool CIconMenu::LoadMenuTemplate(std::span<const uint8_t> bytes) {
    if (m_hMenu != nullptr) {
        return false;
    }
    const auto items = ParseMenuTemplate(bytes);
    if (!items || !CreateMenu()) {
        return false;
    }
    // The menus being filled, innermost last, and whether each has seen its last item.
    std::vector<CIconMenu*> menus{this};
    std::vector<bool> closed{false};
    for (const MenuTemplateItem& item : *items) {
        const unsigned flags = item.flags & ~MF_END;
        const bool ends = (item.flags & MF_END) != 0;
        if ((item.flags & MF_POPUP) != 0) {
            if (ends) {
                closed.back() = true;
            }
            auto* popup = new CIconMenu();
            popup->CreatePopupMenu();
            menus.back()->AppendOwnerDrawItem(item.text.c_str(), flags,
                                              reinterpret_cast<uintptr_t>(popup->m_hMenu), -1);
            menus.push_back(popup);
            closed.push_back(false);
            continue;
        }
        menus.back()->AppendOwnerDrawItem(item.text.c_str(), flags, item.id, -1);
        if (ends) {
            closed.back() = true;
        }
        while (!menus.empty() && closed.back()) {
            menus.back()->AlignAccelerators();
            menus.pop_back();
            closed.pop_back();
        }
        if (menus.empty()) {
            break;
        }
    }
    // The top level becomes plain items; only what its popups hold stays owner-drawn.
    for (int p = 0; p < GetMenuItemCount() && p < static_cast<int>(m_items.size()); ++p) {
        IconMenuItem& record = *m_items[static_cast<size_t>(p)];
        const std::string text = record.GetText();
        if (const CMenu* sub = GetSubMenu(p)) {
            record.flags = MF_BYPOSITION | MF_POPUP;
            ModifyMenu(static_cast<unsigned>(p), record.flags, reinterpret_cast<uintptr_t>(sub->m_hMenu),
                       text);
        } else {
            record.flags = MF_BYPOSITION;
            ModifyMenu(static_cast<unsigned>(p), record.flags, record.commandId, text);
        }
    }
    return true;
}

void CIconMenu::AppendOwnerDrawItem(const char16_t* text, unsigned flags, uintptr_t id, int bitmapId) {
    if (id == 0) {
        flags = (flags & MF_BYPOSITION) | MF_SEPARATOR | MF_OWNERDRAW;
    } else {
        flags |= MF_OWNERDRAW;
    }
    if ((flags & MF_POPUP) != 0) {
        m_popupHandles.push_back(reinterpret_cast<HMENU>(id));
    }
    auto record = std::make_unique<IconMenuItem>();
    if (text != nullptr) {
        record->text = std::u16string(text);
    }
    record->imageSource = bitmapId;
    record->imageIndex = -1;
    if (bitmapId >= 0) {
        record->imageIndex = 0;
        FindToolbarImage(static_cast<unsigned>(id), bitmapId, &record->imageIndex);
        record->images = std::make_unique<CImageList>();
        record->images->Create(m_imageWidth, m_imageHeight);
        if (!AddBitmapImages(record->images.get(), bitmapId)) {
            record->images.reset();
            record->imageSource = -1;
            record->imageIndex = -1;
        }
    }
    record->flags = flags;
    record->commandId = id;
    const IconMenuItem* data = record.get();
    m_items.push_back(std::move(record));
    AppendMenu(flags, id, data->GetText(), data);
}

bool CIconMenu::ModifyOwnerDrawItem(const char16_t* text, unsigned commandId, const CImageList* list,
                                    int index) {
    int position = -1;
    CIconMenu* menu = FindCommand(commandId, position);
    std::vector<CIconMenu*> visitedMenus;
    std::vector<int> visitedPositions;
    IconMenuItem* record = nullptr;
    do {
        if (menu != nullptr && position >= 0) {
            record = menu->m_items.at(static_cast<size_t>(position)).get();
        } else {
            m_items.push_back(std::make_unique<IconMenuItem>());
            record = m_items.back().get();
        }
        if (text != nullptr) {
            record->text = std::u16string(text);
        }
        if (list != nullptr) {
            record->imageSource = 0;
            record->imageIndex = 0;
            if (record->images) {
                record->images->DeleteImageList();
            } else {
                record->images = std::make_unique<CImageList>();
            }
            CopyListImage(list, index, record->images.get());
        } else {
            record->imageSource = -1;
            record->imageIndex = -1;
        }
        record->flags = (record->flags & ~MF_BYPOSITION) | MF_OWNERDRAW;
        record->commandId = commandId;
        visitedMenus.push_back(menu);
        visitedPositions.push_back(position);
        if (menu == nullptr || position < 0) {
            break;
        }
        menu = FindNextCommand(commandId, position, visitedMenus, visitedPositions);
    } while (menu != nullptr);
    return ModifyMenu(commandId, record->flags, commandId, record->GetText(), record);
}

bool CIconMenu::ModifyOwnerDrawItemA(const char* text, unsigned commandId, const CImageList* list,
                                     int index) {
    if (text == nullptr) {
        return ModifyOwnerDrawItem(nullptr, commandId, list, index);
    }
    const std::u16string wide = Utf8ToUtf16(text);
    return ModifyOwnerDrawItem(wide.c_str(), commandId, list, index);
}

CIconMenu* CIconMenu::Search(unsigned commandId, int& position, const std::vector<CIconMenu*>* menus,
                             const std::vector<int>* positions) {
    const int count = GetMenuItemCount();
    for (int p = 0; p < count; ++p) {
        if (CMenu* sub = GetSubMenu(p)) {
            if (auto* icon = dynamic_cast<CIconMenu*>(sub)) {
                if (CIconMenu* hit = icon->Search(commandId, position, menus, positions)) {
                    return hit;
                }
            }
            continue;
        }
        if (GetMenuItemID(p) != commandId) {
            continue;
        }
        bool visited = false;
        for (size_t i = 0; menus != nullptr && i < menus->size(); ++i) {
            visited |= (*menus)[i] == this && (*positions)[i] == p;
        }
        if (!visited) {
            position = p;
            return this;
        }
    }
    position = -1;
    return nullptr;
}

CIconMenu* CIconMenu::FindCommand(unsigned commandId, int& position) {
    return Search(commandId, position, nullptr, nullptr);
}

CIconMenu* CIconMenu::FindNextCommand(unsigned commandId, int& position, std::vector<CIconMenu*>& menus,
                                      std::vector<int>& positions) {
    return Search(commandId, position, &menus, &positions);
}

void CIconMenu::AlignAccelerators() {
    const QFontMetrics metrics(MenuFont());
    const int count = std::min(GetMenuItemCount(), static_cast<int>(m_items.size()));
    int widest = -1;
    for (int i = 0; i < count; ++i) {
        std::string left = Split(m_items[static_cast<size_t>(i)]->GetText()).left;
        left += ' ';
        widest = std::max(widest, TextWidth(metrics, left));
    }
    for (int i = 0; i < count; ++i) {
        IconMenuItem& record = *m_items[static_cast<size_t>(i)];
        const std::string text = record.GetText();
        const size_t tab = text.find('\t');
        if (tab == std::string::npos) {
            continue;
        }
        std::string left = text.substr(0, tab);
        while (TextWidth(metrics, left) < widest) {
            left += ' ';
        }
        left += text.substr(tab);
        record.SetText(left.c_str());
        // The native item shows the padded words too.
        if (QAction* action = ActionAt(i)) {
            action->setText(QString::fromUtf8(left));
        }
    }
}

bool CIconMenu::DestroyMenu() {
    for (auto it = m_popupHandles.rbegin(); it != m_popupHandles.rend(); ++it) {
        delete CMenu::FromHandle(*it);
    }
    m_popupHandles.clear();
    m_items.clear();
    return CMenu::DestroyMenu();
}

void CIconMenu::MeasureItem(MEASUREITEMSTRUCT& measure) {
    const IconMenuItem& record = *measure.itemData;
    if ((record.flags & MF_SEPARATOR) != 0) {
        measure.itemWidth = 0;
        measure.itemHeight = static_cast<unsigned>(GetSystemMetrics(SM_CYMENU) >> 1);
        return;
    }
    const QFontMetrics metrics(MenuFont());
    const int cx = record.text ? metrics.horizontalAdvance(QString::fromStdU16String(*record.text)) : 0;
    measure.itemWidth = static_cast<unsigned>(cx + 2 * m_imageWidth + 1);
    measure.itemHeight = static_cast<unsigned>(std::max(GetSystemMetrics(SM_CYMENU), m_imageHeight + 4));
}

void CIconMenu::DrawItem(DRAWITEMSTRUCT& draw) {
    // A palette display would always be classic; every display Qt paints on has true colour.
    if (FaceColor() != GetSysColor(COLOR_MENU)) {
        DrawItemFlat(draw);
    } else {
        DrawItemClassic(draw);
    }
}

void CIconMenu::DrawText(CDC* dc, const IconMenuItem& record, const CRect& rect) {
    const SplitText text = Split(record.GetText());
    if (text.left.empty() && text.right.empty()) {
        return;
    }
    const int oldMode = dc->SetBkMode(TRANSPARENT);
    const QFont oldFont = dc->SelectFont(MenuFont());
    dc->DrawText(text.left, rect, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    if (text.hasTab) {
        dc->DrawText(text.right, rect, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    }
    dc->SelectFont(oldFont);
    dc->SetBkMode(oldMode);
}

void CIconMenu::DrawItemClassic(DRAWITEMSTRUCT& draw) {
    CDC* dc = draw.hDC;
    const IconMenuItem& record = *draw.itemData;
    const CRect r = draw.rcItem;
    const int w = m_imageWidth;
    const int h = m_imageHeight;
    const COLORREF face = FaceColor();
    if ((record.flags & MF_SEPARATOR) != 0) {
        dc->FillSolidRect(r, face);
        dc->DrawEdge({r.left, r.top + ((r.bottom - r.top) >> 1), r.right, r.bottom}, EDGE_ETCHED, BF_TOP);
        return;
    }
    const bool selected = (draw.itemState & ODS_SELECTED) != 0;
    const bool grayed = (draw.itemState & ODS_GRAYED) != 0;
    const bool checked = (draw.itemState & ODS_CHECKED) != 0;
    const bool hasImage = record.imageSource != -1;
    const MenuItemLayout layout = LayoutMenuItem(r, w, h, Split(record.GetText()).hasTab);
    COLORREF textColor = GetSysColor(COLOR_MENUTEXT);

    if (!selected) {
        dc->FillSolidRect(r, face);
        dc->Draw3dRect(r, face, face);
    } else {
        const CRect bar = hasImage || checked ? CRect{r.left + w + 5, r.top, r.right, r.bottom} : r;
        // The column beside the bar keeps the face colour, whatever was under it.
        dc->FillSolidRect({r.left, r.top, bar.left, r.bottom}, face);
        dc->FillSolidRect(bar, GetSysColor(COLOR_HIGHLIGHT));
        textColor = GetSysColor(COLOR_HIGHLIGHTTEXT);
    }

    if (hasImage) {
        dc->Draw3dRect(layout.imageFrame, face, face);
        if (!grayed) {
            if (selected) {
                dc->FillSolidRect(layout.imageFrame, face);
                if (kIsNewShell) {
                    if (checked) {
                        dc->Draw3dRect(layout.imageBox, GetSysColor(COLOR_BTNSHADOW),
                                       GetSysColor(COLOR_BTNHIGHLIGHT));
                    } else {
                        dc->Draw3dRect(layout.imageBox, GetSysColor(COLOR_BTNHIGHLIGHT),
                                       GetSysColor(COLOR_BTNSHADOW));
                    }
                }
            } else if (checked) {
                dc->FillSolidRect(layout.imageFrame, GetSysColor(COLOR_3DLIGHT));
                if (kIsNewShell) {
                    dc->Draw3dRect(layout.imageBox, GetSysColor(COLOR_BTNSHADOW),
                                   GetSysColor(COLOR_BTNHIGHLIGHT));
                }
            } else {
                dc->FillSolidRect(layout.imageFrame, face);
                dc->Draw3dRect(layout.imageBox, face, face);
            }
            if (record.images) {
                dc->DrawImage(*record.images, record.imageIndex, r.left + 2, r.top + layout.dy + 2);
            }
        } else {
            CBitmap bitmap;
            MakeIconBitmap(dc, record.images.get(), record.imageIndex, &bitmap, w, h);
            dc->Draw3dRect(layout.imageBox, face, face);
            DrawEmbossed(dc, r.left + 2, r.top + layout.dy + 2, w, h, &bitmap, 0, 0, face);
        }
    }
    if (!hasImage && checked) {
        DrawClassicCheck(dc, layout.classicCheck, selected, draw.radioCheck);
    }

    if (!grayed) {
        dc->SetTextColor(textColor);
        DrawText(dc, record, layout.text);
    } else if (selected) {
        dc->SetTextColor(face);
        DrawText(dc, record, layout.text);
    } else {
        const CRect t = layout.text;
        dc->SetTextColor(GetSysColor(COLOR_BTNHIGHLIGHT));
        DrawText(dc, record, {t.left + 1, t.top + 1, t.right + 1, t.bottom + 1});
        dc->SetTextColor(GetSysColor(COLOR_GRAYTEXT));
        DrawText(dc, record, t);
    }
}

void CIconMenu::DrawItemFlat(DRAWITEMSTRUCT& draw) {
    const IconMenuItem& record = *draw.itemData;
    const CRect r = draw.rcItem;
    const int w = m_imageWidth;
    const int h = m_imageHeight;
    const COLORREF column = FaceColor();
    const COLORREF background = GetSysColor(COLOR_MENU);
    const bool grayed = (draw.itemState & ODS_GRAYED) != 0;
    // A greyed item is never drawn selected, and is painted in one piece.
    const bool selected = !grayed && (draw.itemState & ODS_SELECTED) != 0;
    const bool checked = (draw.itemState & ODS_CHECKED) != 0;
    std::optional<COffscreenDC> offscreen;
    if (grayed) {
        offscreen.emplace(*draw.hDC, r);
    }
    CDC* dc = grayed ? &*offscreen : draw.hDC;
    const CRect columnRect{r.left, r.top, r.left + w + 5, r.bottom};

    if ((record.flags & MF_SEPARATOR) != 0) {
        dc->FillSolidRect(r, background);
        dc->DrawEdge({r.left + w + 9, r.top + (r.bottom - r.top) / 2, r.right, r.bottom}, EDGE_ETCHED,
                     BF_TOP);
        dc->FillSolidRect(columnRect, column);
        dc->Draw3dRect(columnRect, column, column);
        return;
    }
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    const COLORREF selection = LightenColor(highlight, 0.7);
    const bool hasImage = record.imageSource != -1;
    const MenuItemLayout layout = LayoutMenuItem(r, w, h, Split(record.GetText()).hasTab);

    if (!selected) {
        dc->FillSolidRect(r, background);
        dc->FillSolidRect(columnRect, column);
        dc->Draw3dRect(r, background, background);
        dc->Draw3dRect(columnRect, column, column);
    } else {
        dc->FillSolidRect(r, selection);
        dc->Draw3dRect(r, highlight, highlight);
    }

    if (hasImage) {
        dc->Draw3dRect(layout.imageFrame, column, column);
        if (!grayed) {
            if (selected) {
                dc->FillSolidRect(layout.imageFrame, selection);
                if (kIsNewShell && checked) {
                    dc->Draw3dRect({r.left, r.top, r.left + w + 4, r.bottom}, highlight, highlight);
                }
            } else if (checked) {
                const CRect box{r.left + 1, r.top, r.left + w + 4, r.bottom - 1};
                dc->FillSolidRect(box, LightenColor(highlight, 0.85));
                dc->Draw3dRect(box, highlight, highlight);
            } else {
                dc->FillSolidRect(layout.imageFrame, column);
                dc->Draw3dRect(layout.imageBox, column, column);
            }
            if (record.images) {
                dc->DrawImage(*record.images, record.imageIndex, r.left + 3, r.top + layout.dy + 2);
            }
        } else {
            CBitmap bitmap;
            MakeIconBitmap(dc, record.images.get(), record.imageIndex, &bitmap, w, h);
            dc->Draw3dRect(layout.imageBox, column, column);
            DrawEmbossed(dc, r.left + 2, r.top + layout.dy + 2, w, h, &bitmap, 0, 0, column);
        }
    }
    if (!hasImage && checked) {
        DrawFlatCheck(dc, layout.flatCheck, draw.radioCheck, highlight);
    }
    dc->SetTextColor(GetSysColor(grayed ? COLOR_GRAYTEXT : COLOR_MENUTEXT));
    DrawText(dc, record, layout.text);
}

void CIconMenu::DrawClassicCheck(CDC* dc, const CRect& rect, bool selected, bool radio) {
    dc->FillSolidRect(rect, GetSysColor(selected || !kIsNewShell ? COLOR_MENU : COLOR_3DLIGHT));
    if (kIsNewShell) {
        dc->DrawEdge(rect, BDR_SUNKENOUTER, BF_RECT);
    }
    if (radio) {
        DrawRadioDot(dc, rect.left + 5, rect.top + 4, GetSysColor(COLOR_MENUTEXT));
    } else {
        DrawCheckMark(dc, rect.left + 4, rect.top + 4, GetSysColor(COLOR_MENUTEXT));
    }
}

void CIconMenu::DrawFlatCheck(CDC* dc, const CRect& rect, bool radio, COLORREF frame) {
    dc->FillSolidRect(rect, LightenColor(frame, 0.85));
    dc->Draw3dRect(rect, frame, frame);
    if (radio) {
        DrawRadioDot(dc, rect.left + 5, rect.top + 4, GetSysColor(COLOR_MENUTEXT));
    } else {
        DrawCheckMark(dc, rect.left + 5, rect.top + 4, GetSysColor(COLOR_MENUTEXT));
    }
}

void CIconMenu::DrawCheckMark(CDC* dc, int x, int y, COLORREF color) {
    const COLORREF old = dc->SelectPen(color);
    for (int i = 0; i < 7; ++i) {
        dc->MoveTo(x + i, y + kCheckMarkOffsets[i]);
        dc->LineTo(x + i, y + kCheckMarkOffsets[i] + 3);
    }
    dc->SelectPen(old);
}

void CIconMenu::DrawRadioDot(CDC* dc, int x, int y, COLORREF color) {
    const COLORREF oldPen = dc->SelectPen(color);
    const COLORREF oldBrush = dc->SelectBrush(color);
    dc->Ellipse({x, y, x + 6, y + 6});
    dc->SelectBrush(oldBrush);
    dc->SelectPen(oldPen);
}
