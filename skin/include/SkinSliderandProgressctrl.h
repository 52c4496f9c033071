// CSkinSliderandProgressctrl: a track bar drawn from skin pictures whose channel also shows a
// progress ("energy") position. It can be created as its own control or attached to an
// existing "msctls_trackbar32".
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "SkinBase.h"
#include "SkinRecords.h"
#include "VeneerExport.h"

class CxImage;
class CSkinBitmap;

class VENEER_API CSkinSliderandProgressctrl : public CSkinBase {
 public:
  CSkinSliderandProgressctrl();
  ~CSkinSliderandProgressctrl() override;

  // A visible child window with the arrow cursor; horizontal unless told otherwise.
  BOOL Create(const RECT& rect, HWND hParent, UINT nID, BOOL bHorizontal = TRUE);
  BOOL SkinSubclass(HWND hWnd, const std::wstring& name);
  void UnSkinSubclass();
  BOOL SkinAttach(HWND hWnd, const std::wstring& name, bool bResize) override;
  void SkinDetach() override;
  // Reloads the pictures named by the copied record.
  void UpdateSkinResource();
  void SetBitmap(const std::wstring& thumbNormal, const std::wstring& channelNormal,
                 const std::wstring& channelActive);

  void SetRange(int nMin, int nMax, BOOL bRedraw = FALSE);
  void GetRange(int& nMin, int& nMax) const;
  void SetPos(int nPos);
  int GetPos() const;
  void SetEnergyPos(int nPos);
  int GetEnergyPos() const;
  void SetPageSize(int nSize);
  int GetPageSize() const;
  void SetLineSize(int nSize);
  int GetLineSize() const;
  void GetChannelRect(LPRECT rect) const;
  void GetThumbRect(LPRECT rect) const;
  void GetEnergyRect(LPRECT rect) const;
  int VerifyPos(int nPos) const;
  int VerifyEnergyPos(int nPos) const;
  BOOL IsHorizontal() const { return m_bHorizontal; }
  BOOL IsDragging() const { return m_bDragging; }

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  virtual int OnCreate();
  virtual void OnEnable(BOOL bEnable);
  virtual void OnLButtonDown(UINT nFlags, POINT point);
  virtual void OnLButtonUp(UINT nFlags, POINT point);
  virtual void OnMouseMove(UINT nFlags, POINT point);
  virtual void OnPaint();

 private:
  int PosFromPoint(POINT point) const;
  int ChannelPixel(int pos) const;
  void NotifyParent(int code);
  void Redraw();
  void SyncFromControl();

  tagSKINSLIDER_PROGRESSCTRLINFO m_info;
  int m_nMin, m_nMax, m_nPos, m_nEnergy, m_nPage, m_nLine;
  BOOL m_bHorizontal;
  BOOL m_bDragging;
  BOOL m_bHot;
  BOOL m_bOwnWindow;
  int m_nDragOffset;
  int m_nThumbWidth, m_nThumbHeight;
  struct Pictures;
  Pictures* m_pPictures;
};
