#include "SkinBase.h"

#include "SkinResourceManager.h"

CSkinBase::CSkinBase() : m_hFont(nullptr) {}

CSkinBase::~CSkinBase() {
  CSkinBase::SkinDetach();
  if (m_hFont) DeleteObject(m_hFont);
}

void CSkinBase::SkinDetach() { UnsubclassWindow(); }

std::wstring CSkinBase::SkinFile(const std::wstring& name) {
  CSkinResourceManager* m = CSkinResourceManager::GetInstance();
  return (m ? m->GetSkinPath() : std::wstring()) + L"\\" + name;
}

void CSkinBase::CreateSkinFont(const tagSKINFONTINFO* font) {
  if (m_hFont) DeleteObject(m_hFont);
  LOGFONTW lf = {};
  if (font != nullptr) {
    lf.lfHeight = font->nSize;
    lf.lfWeight = font->bBold ? FW_BOLD : FW_NORMAL;
    lf.lfUnderline = font->bUnderline ? TRUE : FALSE;
    lstrcpynW(lf.lfFaceName, font->strFaceName.c_str(), LF_FACESIZE);
  } else {
    lf.lfHeight = -12;  // twelve pixels of character height
    lf.lfWeight = FW_NORMAL;
    lstrcpynW(lf.lfFaceName, L"\u5B8B\u4F53", LF_FACESIZE);  // 宋体
  }
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = PROOF_QUALITY;
  lf.lfPitchAndFamily = FF_SWISS;
  m_hFont = CreateFontIndirectW(&lf);
}

BOOL CSkinBase::DrawParentBackground(HDC dc, const RECT& rc) {
  HWND parent = GetParent(m_hWnd);
  if (parent == nullptr) return FALSE;
  VENEER_PARENTBKGND req = {m_hWnd, dc, rc.left, rc.top, rc.right, rc.bottom};
  if (SendMessageW(parent, WM_VENEER_PARENTBACKGROUND, reinterpret_cast<WPARAM>(&req), 0)) return TRUE;
  // No answer: the parent's erase background, shifted to this window's place.
  POINT origin = {0, 0};
  MapWindowPoints(m_hWnd, parent, &origin, 1);
  int saved = SaveDC(dc);
  IntersectClipRect(dc, rc.left, rc.top, rc.right, rc.bottom);
  POINT old;
  OffsetViewportOrgEx(dc, -origin.x, -origin.y, &old);
  SendMessageW(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RestoreDC(dc, saved);
  return FALSE;
}
