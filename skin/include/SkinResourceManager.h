// The process-wide store of skin parameters: named fonts and colours, one default record per
// control kind and named variants, read from one skin description file.
#pragma once

#include <string>

#include "SkinRecords.h"
#include "VeneerExport.h"

class CMarkup;

class VENEER_API CSkinResourceManager {
 public:
  static CSkinResourceManager* GetInstance();
  static void DestroyInstance();

  // Skin path = the program's folder + `folder`; reads `folder`\`file`. Always 1.
  int Install(const std::wstring& folder, const std::wstring& file);
  const std::wstring& GetSkinPath() const;

  tagSKINFONTINFO* GetPublicFont(const std::wstring& id) const;
  SKINCOLOR GetPublicColorRef(const std::wstring& id) const;

  // Named variants; null when the name is not defined (use the default record then).
  tagSKINBUTTONINFO* GetSkinButtonInfo(const std::wstring& name) const;
  tagSKINADIOCHECKBTNINFO* GetSkinRadioCheckInfo(const std::wstring& name) const;
  tagSKINEDITINFO* GetSkinEditInfo(const std::wstring& name) const;
  tagSKINCOMBOBOXINFO* GetSkinComboBoxInfo(const std::wstring& name) const;
  tagSKINPROGRESSINFO* GetSkinProgressInfo(const std::wstring& name) const;
  tagSKINTABCTRLINFO* GetSkinTabCtrlInfo(const std::wstring& name) const;
  tagSKINHEADERINFO* GetSkinHeadCtrlInfo(const std::wstring& name) const;
  tagSKINLISTCTRLINFO* GetSkinListCtrlInfo(const std::wstring& name) const;
  tagSKINSLIDERCTRLINFO* GetSkinSliderCtrlInfo(const std::wstring& name) const;
  tagSKINSLIDER_PROGRESSCTRLINFO* GetSkinSlider_ProgressCtrlInfo(const std::wstring& name) const;

  // The records of the "defaultskin" section.
  tagSKINBUTTONINFO* GetDefaultButtonInfo() const;
  tagSKINADIOCHECKBTNINFO* GetDefaultRadioCheckInfo() const;
  tagSKINEDITINFO* GetDefaultEditInfo() const;
  tagSKINCOMBOBOXINFO* GetDefaultComboBoxInfo() const;
  tagSKINPROGRESSINFO* GetDefaultProgressInfo() const;
  tagSKINTABCTRLINFO* GetDefaultTabCtrlInfo() const;
  tagSKINHEADERINFO* GetDefaultHeadCtrlInfo() const;
  tagSKINLISTCTRLINFO* GetDefaultListCtrlInfo() const;
  tagSKINSLIDERCTRLINFO* GetDefaultSliderCtrlInfo() const;
  tagSKINSLIDER_PROGRESSCTRLINFO* GetDefaultSlider_ProgressCtrlInfo() const;

  void ReadVeneersXml(const std::wstring& path);
  void ReadButtonXml(CMarkup& xml, tagSKINBUTTONINFO* info);
  void ReadRadioCheckBtnXml(CMarkup& xml, tagSKINADIOCHECKBTNINFO* info);
  void ReadEditXml(CMarkup& xml, tagSKINEDITINFO* info);
  void ReadComboBoxXml(CMarkup& xml, tagSKINCOMBOBOXINFO* info);
  void ReadProgressXml(CMarkup& xml, tagSKINPROGRESSINFO* info);
  void ReadTabCtrlXml(CMarkup& xml, tagSKINTABCTRLINFO* info);
  void ReadHeadCtrlXml(CMarkup& xml, tagSKINHEADERINFO* info);
  void ReadListCtrlXml(CMarkup& xml, tagSKINLISTCTRLINFO* info);
  void ReadSliderCtrlXml(CMarkup& xml, tagSKINSLIDERCTRLINFO* info);
  void ReadSlider_ProgressCtrlXml(CMarkup& xml, tagSKINSLIDER_PROGRESSCTRLINFO* info);

  // Value syntax: "#id" names a public colour; otherwise RGB(r,g,b).
  SKINCOLOR String2RGB(const std::wstring& text) const;
  // "(x,y)", missing numbers 0; "(a,b,c,d)", missing numbers -1.
  void String2Pos(const std::wstring& text, SKINPOINT& point) const;
  void String2Pos(const std::wstring& text, SKINRECT& rect) const;
  // "#id" names a public font; anything else gives none.
  tagSKINFONTINFO* String2Font(const std::wstring& text) const;

 private:
  CSkinResourceManager();
  ~CSkinResourceManager();
  CSkinResourceManager(const CSkinResourceManager&) = delete;
  CSkinResourceManager& operator=(const CSkinResourceManager&) = delete;

  struct Impl;
  Impl* m_pImpl;
  static CSkinResourceManager* s_pInstance;
};
