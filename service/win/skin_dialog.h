// CSkinDialog: the base of the program's dialogs, drawn from the skin settings (section
// "Dialog" of "skins.ini"): a caption band, borders and a bottom band drawn in the client
// area (Frame::Caption), or a background picture (Frame::Background); round corners; push
// buttons skinned through Veneer; the parent-background answer (0x14E5) for skinned controls.
#pragma once

#include <windows.h>

#include <string>

#include "skin_assets.h"
#include "skin_values.h"

namespace lookout {

// Marks a button the program draws itself, which Veneer must leave alone.
constexpr wchar_t kOwnButtonProp[] = L"Lookout.OwnButton";
constexpr UINT kCaptionCloseId = 0x7F01;

class CSkinDialog {
 public:
  enum class Frame { Caption, Background };
  CSkinDialog(UINT templateId, Frame frame);
  virtual ~CSkinDialog();
  CSkinDialog(const CSkinDialog&) = delete;
  CSkinDialog& operator=(const CSkinDialog&) = delete;

  INT_PTR DoModal(HWND owner);
  // Modeless; `parent` may be null.
  HWND Create(HWND parent);
  void Destroy();
  HWND GetSafeHwnd() const { return m_hWnd; }
  UINT TemplateId() const { return m_templateId; }

  // Which of a dialog's children the base hands to Veneer as push buttons.
  static bool IsSkinnablePushButton(HWND child);

 protected:
  // Before the push buttons go to Veneer: the dialog marks and sets up the controls it draws
  // itself.
  virtual void PrepareControls() {}
  // The base has skinned the dialog when this runs.
  virtual BOOL OnInitDialog() { return TRUE; }
  // Return true when handled, with the dialog procedure's answer in *result.
  virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result);
  // Texts and pictures over the background.
  virtual void OnPaint(HDC) {}
  virtual void OnCommand(UINT id, UINT code, HWND control);
  void EndDialog(INT_PTR result);

  // A background picture (owned) drawn at the client origin; null for the frame's colour.
  void SetBackground(HBITMAP bitmap);
  // The same, with a picture the dialog does not own.
  void ShowBackground(HBITMAP bitmap);
  HBITMAP Background() const { return m_backgroundView; }
  // The band at the bottom (its top edge in client coordinates) drawn in the bottom colours.
  void SetBottomBand(int top) { m_bottomBandTop = top; }
  int CaptionHeight() const { return m_captionHeight; }
  // Sets a label's text and redraws what lies under it.
  void SetLabel(int id, const std::wstring& text);
  HWND Item(int id) const { return GetDlgItem(m_hWnd, id); }
  std::wstring ItemText(int id) const;
  void ApplyRoundCorners();

  HWND m_hWnd = nullptr;
  DialogSkin m_skin;
  std::wstring m_buttonSkin = L"btn.default";
  bool m_roundCorners = true;
  bool m_modal = false;

 private:
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
  void InitSkin();
  void BuildFrame();
  void SkinPushButtons();
  void UnskinChildren();
  void DrawBackground(HDC dc);
  void DrawCaptionButton(const DRAWITEMSTRUCT& item);

  UINT m_templateId;
  Frame m_frame;
  BitmapHandle m_background;
  HBITMAP m_backgroundView = nullptr;
  BitmapHandle m_caption, m_borderLeft, m_borderRight, m_borderBottom, m_closeButton;
  HFONT m_font = nullptr;
  int m_captionHeight = 0, m_left = 0, m_right = 0, m_bottom = 0;
  int m_bottomBandTop = -1;
};

}  // namespace lookout
