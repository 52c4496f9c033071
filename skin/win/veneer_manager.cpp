#include "VeneerManager.h"

#include <map>
#include <memory>
#include <new>

#include "SkinSliderandProgressctrl.h"
#include "skin_controls.h"

namespace {

struct SkinDeleter {
  void operator()(CSkinBase* skin) const { CSubclassWnd::DeleteWhenIdle(skin); }
};
using SkinPtr = std::unique_ptr<CSkinBase, SkinDeleter>;
using SkinMap = std::map<HWND, SkinPtr>;

// Kinds in the order UnSubclassControl looks them up.
const VENEER_SKIN_KIND kKinds[] = {VENEER_SKIN_BUTTON, VENEER_SKIN_RADIOCHECK, VENEER_SKIN_EDIT,
                                   VENEER_SKIN_COMBOBOX, VENEER_SKIN_PROGRESS, VENEER_SKIN_LISTCTRL,
                                   VENEER_SKIN_SLIDER};

VENEER_SKIN_KIND KindOfWindow(HWND hWnd) {
  wchar_t cls[261] = {};
  if (!GetClassNameW(hWnd, cls, 261)) return VENEER_SKIN_NONE;
  std::wstring name(cls);
  if (name == L"Button") {
    unsigned low = static_cast<unsigned>(GetWindowLongW(hWnd, GWL_STYLE)) & 0xFF;
    if (low == BS_PUSHBUTTON || low == BS_DEFPUSHBUTTON || low == BS_OWNERDRAW) return VENEER_SKIN_BUTTON;
    if (low & 0x0B) return VENEER_SKIN_RADIOCHECK;
    return VENEER_SKIN_NONE;
  }
  if (name == L"Edit") return VENEER_SKIN_EDIT;
  if (name == L"ComboBox") return VENEER_SKIN_COMBOBOX;
  if (name == L"msctls_progress32") return VENEER_SKIN_PROGRESS;
  if (name == L"SysListView32") return VENEER_SKIN_LISTCTRL;
  if (name == L"msctls_trackbar32") return VENEER_SKIN_SLIDER;
  return VENEER_SKIN_NONE;
}

SkinPtr MakeSkin(VENEER_SKIN_KIND kind) {
  switch (kind) {
    case VENEER_SKIN_BUTTON: return SkinPtr(new CSkinButton);
    case VENEER_SKIN_RADIOCHECK: return SkinPtr(new CSkinRadioCheck);
    case VENEER_SKIN_EDIT: return SkinPtr(new CSkinEdit);
    case VENEER_SKIN_COMBOBOX: return SkinPtr(new CSkinComboBox);
    case VENEER_SKIN_PROGRESS: return SkinPtr(new CSkinProgressCtrl);
    case VENEER_SKIN_LISTCTRL: return SkinPtr(new CSkinListCtrl);
    case VENEER_SKIN_SLIDER: return SkinPtr(new CSkinSliderandProgressctrl);
    default: return nullptr;
  }
}

}  // namespace

struct CVeneerManager::Impl {
  SkinMap maps[8];  // indexed by VENEER_SKIN_KIND

  void Remove(SkinMap& map, SkinMap::iterator it) {
    it->second->SkinDetach();
    map.erase(it);
  }
};

CVeneerManager* CVeneerManager::s_pInstance = nullptr;

CVeneerManager::CVeneerManager() : m_pImpl(new Impl) {}

CVeneerManager::~CVeneerManager() {
  for (VENEER_SKIN_KIND kind : kKinds) {
    SkinMap& map = m_pImpl->maps[kind];
    while (!map.empty()) m_pImpl->Remove(map, map.begin());
  }
  delete m_pImpl;
}

CVeneerManager* CVeneerManager::GetInstance() {
  if (s_pInstance == nullptr) s_pInstance = new (std::nothrow) CVeneerManager();
  return s_pInstance;
}

void CVeneerManager::DestroyInstance() {
  delete s_pInstance;
  s_pInstance = nullptr;
}

int CVeneerManager::SubclassControl(HWND hWnd, const std::wstring& name, bool bResize) {
  VENEER_SKIN_KIND kind = KindOfWindow(hWnd);
  if (kind == VENEER_SKIN_NONE) return 1;
  // Entries left by a destroyed window whose handle has been given to a new one go first.
  for (VENEER_SKIN_KIND k : kKinds) {
    auto stale = m_pImpl->maps[k].find(hWnd);
    if (stale != m_pImpl->maps[k].end() && stale->second->GetSafeHwnd() == nullptr) m_pImpl->maps[k].erase(stale);
  }
  SkinMap& map = m_pImpl->maps[kind];
  auto it = map.find(hWnd);
  if (it != map.end()) m_pImpl->Remove(map, it);
  SkinPtr skin = MakeSkin(kind);
  if (skin && skin->SkinAttach(hWnd, name, bResize)) map[hWnd] = std::move(skin);
  return 1;
}

int CVeneerManager::UnSubclassControl(HWND hWnd) {
  for (VENEER_SKIN_KIND kind : kKinds) {
    SkinMap& map = m_pImpl->maps[kind];
    auto it = map.find(hWnd);
    if (it != map.end()) {
      m_pImpl->Remove(map, it);
      return 1;
    }
  }
  return 0;
}

int CVeneerManager::SubclassControls(HWND hParent) {
  if (hParent == nullptr || !IsWindow(hParent)) return 0;
  for (HWND child = GetWindow(hParent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    SubclassControl(child, std::wstring(), false);
  }
  return 1;
}

int CVeneerManager::SetScrollSkin(HWND hWnd, HBITMAP hBitmap) { return veneer::SetScrollSkin(hWnd, hBitmap); }

int CVeneerManager::RemoveScrollSkin(HWND hWnd) { return veneer::RemoveScrollSkin(hWnd); }

VENEER_SKIN_KIND CVeneerManager::GetSkinKind(HWND hWnd) const {
  for (VENEER_SKIN_KIND kind : kKinds) {
    if (m_pImpl->maps[kind].count(hWnd)) return kind;
  }
  return VENEER_SKIN_NONE;
}

int CVeneerManager::GetSkinCount() const {
  size_t n = 0;
  for (VENEER_SKIN_KIND kind : kKinds) n += m_pImpl->maps[kind].size();
  return static_cast<int>(n);
}
