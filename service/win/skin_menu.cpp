#include "skin_menu.h"

namespace lookout {
namespace {

constexpr int kItemHeight = 24;
constexpr int kSeparatorHeight = 7;
constexpr int kIconColumn = 26;

void Fill(HDC dc, const RECT& r, COLORREF color) {
  HBRUSH brush = CreateSolidBrush(color);
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

}  // namespace

std::wstring CSkinMenu::TextOf(ULONG_PTR itemData) {
  return itemData != 0 ? reinterpret_cast<const Item*>(itemData)->text : std::wstring();
}

void CSkinMenu::Load(HFONT font) {
  m_skin = CurrentMenuSkin();
  m_font = font;
  m_state.Reset(LoadSkinBitmap(m_skin.itemStateBitmap));
  m_sel.Reset(LoadSkinBitmap(m_skin.itemSelBitmap));
  if (m_back != nullptr) DeleteObject(m_back);
  m_back = CreateSolidBrush(m_skin.itemNormalColor);
}

void CSkinMenu::Attach(HMENU menu) {
  if (menu == nullptr) return;
  MENUINFO info = {};
  info.cbSize = sizeof info;
  info.fMask = MIM_BACKGROUND;
  info.hbrBack = m_back;
  SetMenuInfo(menu, &info);
  int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    wchar_t text[256] = {};
    MENUITEMINFOW mi = {};
    mi.cbSize = sizeof mi;
    mi.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_SUBMENU | MIIM_DATA;
    mi.dwTypeData = text;
    mi.cch = 255;
    if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &mi)) continue;
    if (mi.hSubMenu != nullptr) Attach(mi.hSubMenu);
    if (mi.fType & MFT_OWNERDRAW) continue;
    m_items.push_back(Item{text, (mi.fType & MFT_SEPARATOR) != 0});
    MENUITEMINFOW set = {};
    set.cbSize = sizeof set;
    set.fMask = MIIM_FTYPE | MIIM_DATA;
    set.fType = (mi.fType & ~static_cast<UINT>(MFT_STRING)) | MFT_OWNERDRAW;
    set.dwItemData = reinterpret_cast<ULONG_PTR>(&m_items.back());
    SetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &set);
  }
}

bool CSkinMenu::OnMeasureItem(MEASUREITEMSTRUCT* item) {
  if (item->CtlType != ODT_MENU || item->itemData == 0) return false;
  const auto* data = reinterpret_cast<const Item*>(item->itemData);
  if (data->separator) {
    item->itemWidth = 40;
    item->itemHeight = kSeparatorHeight;
    return true;
  }
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, m_font ? m_font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
  RECT r = {0, 0, 0, 0};
  DrawTextW(dc, data->text.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  item->itemWidth = static_cast<UINT>(r.right + kIconColumn + 30);
  item->itemHeight = kItemHeight;
  return true;
}

bool CSkinMenu::OnDrawItem(const DRAWITEMSTRUCT& item) {
  if (item.CtlType != ODT_MENU || item.itemData == 0) return false;
  const auto* data = reinterpret_cast<const Item*>(item.itemData);
  HDC dc = item.hDC;
  RECT r = item.rcItem;
  Fill(dc, r, m_skin.itemNormalColor);
  RECT column = {r.left, r.top, r.left + kIconColumn, r.bottom};
  Fill(dc, column, m_skin.itemDarkColor);
  if (data->separator) {
    RECT line = {r.left + kIconColumn + 4, (r.top + r.bottom) / 2, r.right - 4, (r.top + r.bottom) / 2 + 1};
    Fill(dc, line, m_skin.borderColor);
    return true;
  }
  bool grayed = (item.itemState & (ODS_GRAYED | ODS_DISABLED)) != 0;
  bool selected = (item.itemState & ODS_SELECTED) != 0 && !grayed;
  if (selected) {
    RECT bar = {r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    SIZE s = m_sel.Size();
    if (m_sel.get() != nullptr && s.cx > 4) {
      // Ends kept, the middle stretched; the mask colour leaves the item colour visible.
      HDC memory = CreateCompatibleDC(dc);
      HGDIOBJ old = SelectObject(memory, m_sel.get());
      int end = 3;
      TransparentBlt(dc, bar.left, bar.top, end, bar.bottom - bar.top, memory, 0, 0, end, s.cy, m_skin.bitmapMask);
      TransparentBlt(dc, bar.left + end, bar.top, bar.right - bar.left - 2 * end, bar.bottom - bar.top, memory, end, 0,
                     s.cx - 2 * end, s.cy, m_skin.bitmapMask);
      TransparentBlt(dc, bar.right - end, bar.top, end, bar.bottom - bar.top, memory, s.cx - end, 0, end, s.cy,
                     m_skin.bitmapMask);
      SelectObject(memory, old);
      DeleteDC(memory);
    } else {
      Fill(dc, bar, m_skin.itemSelColor);
      HBRUSH border = CreateSolidBrush(m_skin.itemBorderColor);
      FrameRect(dc, &bar, border);
      DeleteObject(border);
    }
  }
  if (item.itemState & ODS_CHECKED) {
    SIZE s = m_state.Size();
    int x = r.left + (kIconColumn - s.cx) / 2, y = r.top + (r.bottom - r.top - s.cy) / 2;
    if (m_state.get() != nullptr) {
      DrawBitmapKeyed(dc, m_state.get(), x, y, s.cx, s.cy, 0, 0, m_skin.bitmapMask);
    } else {
      RECT dot = {r.left + 9, r.top + 9, r.left + 16, r.top + 16};
      Fill(dc, dot, m_skin.textNormalColor);
    }
  }
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, grayed ? m_skin.textGrayColor : selected ? m_skin.textSelColor : m_skin.textNormalColor);
  HGDIOBJ old = SelectObject(dc, m_font ? m_font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
  RECT text = {r.left + kIconColumn + 8, r.top, r.right - 18, r.bottom};
  DrawTextW(dc, data->text.c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
  SelectObject(dc, old);
  return true;
}

}  // namespace lookout
