// The skin classes the manager attaches to standard controls.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>

#include "SkinBase.h"
#include "SkinRecords.h"
#include "skin_draw.h"

// Push buttons: state pictures (PNG, nine-grid or plain bitmap) and the text.
class CSkinButton : public CSkinBase {
 public:
  ~CSkinButton() override;
  BOOL SkinAttach(HWND hWnd, const std::wstring& name, bool bResize) override;
  void SkinDetach() override;
  int GetState() const;

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  void Paint(HDC dc);
  const CxImage* Png(int state);
  const std::wstring& PictureName(int state) const;

  tagSKINBUTTONINFO m_info;
  CSkinBitmap m_bmp[5];
  std::unique_ptr<CxImage> m_png[5];
  bool m_pngTried[5] = {};
  LONG m_originalStyle = 0;
  bool m_bHover = false;
  bool m_bPressed = false;
};

// Check boxes, radio buttons and group boxes.
class CSkinRadioCheck : public CSkinBase {
 public:
  ~CSkinRadioCheck() override;
  BOOL SkinAttach(HWND hWnd, const std::wstring& name, bool bResize) override;
  void SkinDetach() override;

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void Paint(HDC dc);
  void PaintGroupBox(HDC dc);
  void RedrawNow();
  const veneer::SkinPicture& Picture(bool checked, int state) const;

  tagSKINADIOCHECKBTNINFO m_info;
  veneer::SkinPicture m_pic[2][5];  // [checked][state]
  bool m_bHover = false;
  bool m_bPressed = false;
};

class CSkinEdit : public CSkinBase {
 public:
  ~CSkinEdit() override;
  BOOL SkinAttach(HWND hWnd, const std::wstring& name, bool bResize) override;
  void SkinDetach() override;

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  void DrawFrame();
  int SystemBorder() const;

  tagSKINEDITINFO m_info;
  HBRUSH m_hNormal = nullptr;
  HBRUSH m_hDisabled = nullptr;
  CSkinBitmap m_scroll;
  bool m_bScrollSkin = false;
};

class CSkinComboBox : public CSkinBase {
 public:
  ~CSkinComboBox() override;
  BOOL SkinAttach(HWND hWnd, const std::wstring& name, bool bResize) override;
  void SkinDetach() override;
  int GetButtonState() const { return m_nState; }

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  void DrawFrameAndButton(int state);
  void OnTimerTick();

  tagSKINCOMBOBOXINFO m_info;
  HIMAGELIST m_hImages = nullptr;
  int m_nImageWidth = 0, m_nImageHeight = 0;
  int m_nState = 0;  // 0 normal, 1 hot, 2 pressed
  bool m_bLButtonDown = false;
  bool m_bFocus = false;
  bool m_bTimer = false;
  bool m_bInEditUpdate = false;
};

class CSkinProgressCtrl : public CSkinBase {
 public:
  ~CSkinProgressCtrl() override;
  BOOL SkinAttach(HWND hWnd, const std::wstring& name, bool bResize) override;

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void Paint(HDC dc);

  tagSKINPROGRESSINFO m_info;
  veneer::SkinPicture m_normal, m_active;
};

class CSkinHeaderCtrl : public CSkinBase {
 public:
  ~CSkinHeaderCtrl() override;
  BOOL SkinAttach(HWND hWnd, const std::wstring& name, bool bResize) override;

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void Paint(HDC dc);
  int HitItem(POINT pt) const;

  tagSKINHEADERINFO m_info;
  CSkinBitmap m_normal, m_hot, m_down;
  int m_nHot = -1;
  bool m_bPressed = false;
  bool m_bTracking = false;
};

class CSkinListCtrl : public CSkinBase {
 public:
  ~CSkinListCtrl() override;
  BOOL SkinAttach(HWND hWnd, const std::wstring& name, bool bResize) override;
  void SkinDetach() override;

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  void DrawItem(const DRAWITEMSTRUCT* dis);

  tagSKINLISTCTRLINFO m_info;
  CSkinBitmap m_select;
  CSkinBitmap m_scroll;
  struct HeaderDeleter {
    void operator()(CSkinHeaderCtrl* header) const { CSubclassWnd::DeleteWhenIdle(header); }
  };
  std::unique_ptr<CSkinHeaderCtrl, HeaderDeleter> m_header;
  LONG m_originalStyle = 0;
  bool m_bScrollSkin = false;
};

// Skinned scroll bars (the "PROP_SkinSB" window property holds their state).
namespace veneer {
int SetScrollSkin(HWND hWnd, HBITMAP hBitmap);
int RemoveScrollSkin(HWND hWnd);
bool HasScrollSkin(HWND hWnd);
}  // namespace veneer
