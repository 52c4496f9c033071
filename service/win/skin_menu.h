// Menus drawn by the program from section "Menu" of "skins.ini": every item owner-drawn with
// the skin's colours, selection picture and check mark.
#pragma once

#include <windows.h>

#include <deque>
#include <string>

#include "skin_assets.h"
#include "skin_values.h"

namespace lookout {

class CSkinMenu {
 public:
  CSkinMenu() = default;
  ~CSkinMenu() {
    if (m_back != nullptr) DeleteObject(m_back);
  }
  CSkinMenu(const CSkinMenu&) = delete;
  CSkinMenu& operator=(const CSkinMenu&) = delete;
  // Reads the skin; `font` (not owned) draws the texts.
  void Load(HFONT font);
  // Makes every item of `menu` and its submenus owner-drawn (items already made are left).
  void Attach(HMENU menu);
  // WM_MEASUREITEM / WM_DRAWITEM for menus; false when the item is not one of ours.
  bool OnMeasureItem(MEASUREITEMSTRUCT* item);
  bool OnDrawItem(const DRAWITEMSTRUCT& item);
  const MenuSkin& Skin() const { return m_skin; }
  // The text of an item made owner-drawn here (from its item data).
  static std::wstring TextOf(ULONG_PTR itemData);

 private:
  struct Item {
    std::wstring text;
    bool separator = false;
  };
  MenuSkin m_skin{};
  HFONT m_font = nullptr;
  BitmapHandle m_state, m_sel;
  HBRUSH m_back = nullptr;
  std::deque<Item> m_items;  // stable addresses: items point here
};

}  // namespace lookout
