#include "SkinResourceManager.h"

#include <clocale>
#include <map>
#include <memory>
#include <new>
#include <vector>

#include "Markup.h"
#include "program_folder.h"
#include "skin_text.h"

using veneer::Split;
using veneer::WToI;

namespace {

// Records stay alive until the manager goes, even when a later read replaces them in a map,
// because controls may still hold their pointers.
template <typename T>
struct NamedRecords {
  std::map<std::wstring, T*> byName;
  std::vector<std::unique_ptr<T>> owned;

  T* Find(const std::wstring& name) const {
    auto it = byName.find(name);
    return it == byName.end() ? nullptr : it->second;
  }
  T* Add(const std::wstring& name, std::unique_ptr<T> record) {
    T* raw = record.get();
    owned.push_back(std::move(record));
    byName[name] = raw;
    return raw;
  }
};

bool IsTrue(const std::wstring& v) { return v == L"true"; }
bool NotFalse(const std::wstring& v) { return v != L"false"; }

}  // namespace

struct CSkinResourceManager::Impl {
  std::wstring skinPath;
  NamedRecords<tagSKINFONTINFO> fonts;
  std::map<std::wstring, SKINCOLOR> colors;

  tagSKINBUTTONINFO defButton;
  tagSKINADIOCHECKBTNINFO defRadioCheck;
  tagSKINEDITINFO defEdit;
  tagSKINCOMBOBOXINFO defComboBox;
  tagSKINPROGRESSINFO defProgress;
  tagSKINTABCTRLINFO defTab;
  tagSKINHEADERINFO defHeader;
  tagSKINLISTCTRLINFO defList;
  tagSKINSLIDERCTRLINFO defSlider;
  tagSKINSLIDER_PROGRESSCTRLINFO defSliderProgress;

  NamedRecords<tagSKINBUTTONINFO> buttons;
  NamedRecords<tagSKINADIOCHECKBTNINFO> radioChecks;
  NamedRecords<tagSKINEDITINFO> edits;
  NamedRecords<tagSKINCOMBOBOXINFO> comboBoxes;
  NamedRecords<tagSKINPROGRESSINFO> progresses;
  NamedRecords<tagSKINTABCTRLINFO> tabs;
  NamedRecords<tagSKINHEADERINFO> headers;
  NamedRecords<tagSKINLISTCTRLINFO> lists;
  NamedRecords<tagSKINSLIDERCTRLINFO> sliders;
  NamedRecords<tagSKINSLIDER_PROGRESSCTRLINFO> sliderProgresses;
};

CSkinResourceManager* CSkinResourceManager::s_pInstance = nullptr;

CSkinResourceManager::CSkinResourceManager() : m_pImpl(new Impl) {}

CSkinResourceManager::~CSkinResourceManager() { delete m_pImpl; }

CSkinResourceManager* CSkinResourceManager::GetInstance() {
  if (s_pInstance == nullptr) s_pInstance = new (std::nothrow) CSkinResourceManager();
  return s_pInstance;
}

void CSkinResourceManager::DestroyInstance() {
  delete s_pInstance;
  s_pInstance = nullptr;
}

int CSkinResourceManager::Install(const std::wstring& folder, const std::wstring& file) {
  m_pImpl->skinPath = veneer::ProgramFolder() + folder;
  ReadVeneersXml(m_pImpl->skinPath + veneer::kPathSeparator + file);
  return 1;
}

const std::wstring& CSkinResourceManager::GetSkinPath() const { return m_pImpl->skinPath; }

tagSKINFONTINFO* CSkinResourceManager::GetPublicFont(const std::wstring& id) const {
  return m_pImpl->fonts.Find(id);
}

SKINCOLOR CSkinResourceManager::GetPublicColorRef(const std::wstring& id) const {
  auto it = m_pImpl->colors.find(id);
  return it == m_pImpl->colors.end() ? 0 : it->second;
}

tagSKINBUTTONINFO* CSkinResourceManager::GetSkinButtonInfo(const std::wstring& n) const { return m_pImpl->buttons.Find(n); }
tagSKINADIOCHECKBTNINFO* CSkinResourceManager::GetSkinRadioCheckInfo(const std::wstring& n) const { return m_pImpl->radioChecks.Find(n); }
tagSKINEDITINFO* CSkinResourceManager::GetSkinEditInfo(const std::wstring& n) const { return m_pImpl->edits.Find(n); }
tagSKINCOMBOBOXINFO* CSkinResourceManager::GetSkinComboBoxInfo(const std::wstring& n) const { return m_pImpl->comboBoxes.Find(n); }
tagSKINPROGRESSINFO* CSkinResourceManager::GetSkinProgressInfo(const std::wstring& n) const { return m_pImpl->progresses.Find(n); }
tagSKINTABCTRLINFO* CSkinResourceManager::GetSkinTabCtrlInfo(const std::wstring& n) const { return m_pImpl->tabs.Find(n); }
tagSKINHEADERINFO* CSkinResourceManager::GetSkinHeadCtrlInfo(const std::wstring& n) const { return m_pImpl->headers.Find(n); }
tagSKINLISTCTRLINFO* CSkinResourceManager::GetSkinListCtrlInfo(const std::wstring& n) const { return m_pImpl->lists.Find(n); }
tagSKINSLIDERCTRLINFO* CSkinResourceManager::GetSkinSliderCtrlInfo(const std::wstring& n) const { return m_pImpl->sliders.Find(n); }
tagSKINSLIDER_PROGRESSCTRLINFO* CSkinResourceManager::GetSkinSlider_ProgressCtrlInfo(const std::wstring& n) const { return m_pImpl->sliderProgresses.Find(n); }

tagSKINBUTTONINFO* CSkinResourceManager::GetDefaultButtonInfo() const { return &m_pImpl->defButton; }
tagSKINADIOCHECKBTNINFO* CSkinResourceManager::GetDefaultRadioCheckInfo() const { return &m_pImpl->defRadioCheck; }
tagSKINEDITINFO* CSkinResourceManager::GetDefaultEditInfo() const { return &m_pImpl->defEdit; }
tagSKINCOMBOBOXINFO* CSkinResourceManager::GetDefaultComboBoxInfo() const { return &m_pImpl->defComboBox; }
tagSKINPROGRESSINFO* CSkinResourceManager::GetDefaultProgressInfo() const { return &m_pImpl->defProgress; }
tagSKINTABCTRLINFO* CSkinResourceManager::GetDefaultTabCtrlInfo() const { return &m_pImpl->defTab; }
tagSKINHEADERINFO* CSkinResourceManager::GetDefaultHeadCtrlInfo() const { return &m_pImpl->defHeader; }
tagSKINLISTCTRLINFO* CSkinResourceManager::GetDefaultListCtrlInfo() const { return &m_pImpl->defList; }
tagSKINSLIDERCTRLINFO* CSkinResourceManager::GetDefaultSliderCtrlInfo() const { return &m_pImpl->defSlider; }
tagSKINSLIDER_PROGRESSCTRLINFO* CSkinResourceManager::GetDefaultSlider_ProgressCtrlInfo() const { return &m_pImpl->defSliderProgress; }

SKINCOLOR CSkinResourceManager::String2RGB(const std::wstring& text) const {
  if (!text.empty() && text[0] == L'#') return GetPublicColorRef(text.substr(1));
  std::wstring inner = text.size() > 5 ? text.substr(4, text.size() - 5) : std::wstring();
  std::vector<std::wstring> parts = Split(inner, L',');
  unsigned rgb[3] = {0, 0, 0};
  for (size_t i = 0; i < parts.size() && i < 3; ++i) {
    rgb[i] = static_cast<unsigned>(WToI(parts[i])) & 0xFF;
  }
  return rgb[0] | (rgb[1] << 8) | (rgb[2] << 16);
}

void CSkinResourceManager::String2Pos(const std::wstring& text, SKINPOINT& point) const {
  std::wstring inner = text.size() > 2 ? text.substr(1, text.size() - 2) : std::wstring();
  std::vector<std::wstring> parts = Split(inner, L',');
  int v[2] = {0, 0};
  for (size_t i = 0; i < parts.size() && i < 2; ++i) {
    if (!parts[i].empty()) v[i] = WToI(parts[i]);
  }
  point.x = v[0];
  point.y = v[1];
}

void CSkinResourceManager::String2Pos(const std::wstring& text, SKINRECT& rect) const {
  std::wstring inner = text.size() > 2 ? text.substr(1, text.size() - 2) : std::wstring();
  std::vector<std::wstring> parts = Split(inner, L',');
  int v[4] = {-1, -1, -1, -1};
  for (size_t i = 0; i < parts.size() && i < 4; ++i) {
    if (!parts[i].empty()) v[i] = WToI(parts[i]);
  }
  rect.left = v[0];
  rect.top = v[1];
  rect.right = v[2];
  rect.bottom = v[3];
}

tagSKINFONTINFO* CSkinResourceManager::String2Font(const std::wstring& text) const {
  if (!text.empty() && text[0] == L'#') return GetPublicFont(text.substr(1));
  return nullptr;
}

void CSkinResourceManager::ReadVeneersXml(const std::wstring& path) {
  std::setlocale(LC_ALL, "");
  CMarkup xml;
  if (!xml.Load(path)) return;
  if (!xml.FindElem(L"skin")) return;
  xml.IntoElem();

  while (xml.FindElem(L"publicfont")) {
    xml.IntoElem();
    while (xml.FindElem(L"font")) {
      std::wstring id = xml.GetAttrib(L"id");
      std::wstring face = xml.GetAttrib(L"fontface");
      int size = WToI(xml.GetAttrib(L"fontsize"));
      if (id.empty() || face.empty() || size == 0) continue;
      auto font = std::make_unique<tagSKINFONTINFO>();
      font->strFaceName = face;
      font->nSize = size;
      font->bBold = IsTrue(xml.GetAttrib(L"bold"));
      font->bUnderline = IsTrue(xml.GetAttrib(L"underline"));
      m_pImpl->fonts.Add(id, std::move(font));
    }
    xml.OutOfElem();
  }

  while (xml.FindElem(L"publiccolor")) {
    xml.IntoElem();
    while (xml.FindElem(L"color")) {
      std::wstring id = xml.GetAttrib(L"id");
      if (id.empty()) continue;
      m_pImpl->colors[id] = String2RGB(xml.GetAttrib(L"value"));
    }
    xml.OutOfElem();
  }

  if (xml.FindElem(L"defaultskin")) {
    xml.IntoElem();
    if (xml.FindElem(L"button")) ReadButtonXml(xml, &m_pImpl->defButton);
    if (xml.FindElem(L"radiocheck")) ReadRadioCheckBtnXml(xml, &m_pImpl->defRadioCheck);
    if (xml.FindElem(L"edit")) ReadEditXml(xml, &m_pImpl->defEdit);
    if (xml.FindElem(L"combobox")) ReadComboBoxXml(xml, &m_pImpl->defComboBox);
    if (xml.FindElem(L"progress")) ReadProgressXml(xml, &m_pImpl->defProgress);
    if (xml.FindElem(L"slider")) {
      ReadSliderCtrlXml(xml, &m_pImpl->defSlider);
      ReadSlider_ProgressCtrlXml(xml, &m_pImpl->defSliderProgress);
    }
    if (xml.FindElem(L"headctrl")) ReadHeadCtrlXml(xml, &m_pImpl->defHeader);
    if (xml.FindElem(L"listctrl")) ReadListCtrlXml(xml, &m_pImpl->defList);
    xml.OutOfElem();
  }

  // Each variant starts from the built-in defaults of its kind.
  auto variants = [&xml](const wchar_t* section, const wchar_t* element, auto read) {
    if (!xml.FindElem(section)) return;
    xml.IntoElem();
    while (xml.FindElem(element)) {
      std::wstring name = xml.GetAttrib(L"name");
      if (!name.empty()) read(name);
    }
    xml.OutOfElem();
  };
  Impl& d = *m_pImpl;
  variants(L"adjustbutton", L"button", [&](const std::wstring& name) {
    ReadButtonXml(xml, d.buttons.Add(name, std::make_unique<tagSKINBUTTONINFO>()));
  });
  variants(L"adjustradiocheck", L"radiocheck", [&](const std::wstring& name) {
    ReadRadioCheckBtnXml(xml, d.radioChecks.Add(name, std::make_unique<tagSKINADIOCHECKBTNINFO>()));
  });
  variants(L"adjustedit", L"edit", [&](const std::wstring& name) {
    ReadEditXml(xml, d.edits.Add(name, std::make_unique<tagSKINEDITINFO>()));
  });
  variants(L"adjustcombobox", L"combobox", [&](const std::wstring& name) {
    ReadComboBoxXml(xml, d.comboBoxes.Add(name, std::make_unique<tagSKINCOMBOBOXINFO>()));
  });
  variants(L"adjustprogress", L"progress", [&](const std::wstring& name) {
    ReadProgressXml(xml, d.progresses.Add(name, std::make_unique<tagSKINPROGRESSINFO>()));
  });
  variants(L"adjustslider", L"slider", [&](const std::wstring& name) {
    ReadSliderCtrlXml(xml, d.sliders.Add(name, std::make_unique<tagSKINSLIDERCTRLINFO>()));
    ReadSlider_ProgressCtrlXml(
        xml, d.sliderProgresses.Add(name, std::make_unique<tagSKINSLIDER_PROGRESSCTRLINFO>()));
  });
  variants(L"adjustheadctrl", L"headctrl", [&](const std::wstring& name) {
    ReadHeadCtrlXml(xml, d.headers.Add(name, std::make_unique<tagSKINHEADERINFO>()));
  });
  variants(L"adjustlistctrl", L"listctrl", [&](const std::wstring& name) {
    ReadListCtrlXml(xml, d.lists.Add(name, std::make_unique<tagSKINLISTCTRLINFO>()));
  });
}

namespace {

// Colour attribute with a fixed value for a missing or empty attribute.
struct Reader {
  const CSkinResourceManager& m;
  CMarkup& xml;

  std::wstring Text(const wchar_t* a) const { return xml.GetAttrib(a); }
  SKINCOLOR Color(const wchar_t* a, SKINCOLOR absent) const {
    std::wstring v = xml.GetAttrib(a);
    return v.empty() ? absent : m.String2RGB(v);
  }
  void ColorKeep(const wchar_t* a, SKINCOLOR& field) const {
    std::wstring v = xml.GetAttrib(a);
    if (!v.empty()) field = m.String2RGB(v);
  }
  int Number(const wchar_t* a, int absent) const {
    std::wstring v = xml.GetAttrib(a);
    return v.empty() ? absent : WToI(v);
  }
  tagSKINFONTINFO* Font(const wchar_t* a) const { return m.String2Font(xml.GetAttrib(a)); }
};

}  // namespace

void CSkinResourceManager::ReadButtonXml(CMarkup& xml, tagSKINBUTTONINFO* info) {
  Reader r{*this, xml};
  info->strBackNormal = r.Text(L"bmpbacknormal");
  info->strBackHot = r.Text(L"bmpbackhot");
  info->strBackDown = r.Text(L"bmpbackdown");
  info->strBackDisable = r.Text(L"bmpbackdisable");
  info->strBackFocus = r.Text(L"bmpbackfocus");
  info->clrNormal = r.Color(L"clrnormal", 0);
  info->clrHot = r.Color(L"clrhot", 0);
  r.ColorKeep(L"clrdown", info->clrDown);
  info->clrDisable = r.Color(L"clrdisable", 0);
  info->clrFocus = r.Color(L"clrfocus", 0);
  info->bEnable9Grid = NotFalse(r.Text(L"enable9grid"));
  info->bPngBack = IsTrue(r.Text(L"ispngback"));
  info->nTextPos = r.Number(L"ntextpos", 0);
}

void CSkinResourceManager::ReadRadioCheckBtnXml(CMarkup& xml, tagSKINADIOCHECKBTNINFO* info) {
  Reader r{*this, xml};
  info->strBackNormal = r.Text(L"bmpbacknormal");
  info->strBackHot = r.Text(L"bmpbackhot");
  info->strBackDown = r.Text(L"bmpbackdown");
  info->strBackDisable = r.Text(L"bmpbackdisable");
  info->strBackFocus = r.Text(L"bmpbackfocus");
  info->strBackNormalS = r.Text(L"bmpbacknormals");
  info->strBackHotS = r.Text(L"bmpbackhots");
  info->strBackDownS = r.Text(L"bmpbackdowns");
  info->strBackDisableS = r.Text(L"bmpbackdisables");
  info->strBackFocusS = r.Text(L"bmpbackfocuss");
  info->clrNormal = r.Color(L"clrnormal", 0);
  info->clrHot = r.Color(L"clrhot", 0);
  info->clrDown = r.Color(L"clrdown", 0);
  info->clrDisable = r.Color(L"clrdisable", 0);
  info->clrFocus = r.Color(L"clrfocus", 0);
  info->clrBack = r.Color(L"clrback", 0);
  info->bFreeBack = IsTrue(r.Text(L"freeback"));
  info->clrTransparent = r.Color(L"clrtransprent", 0xFF00FF);
  info->pFont = r.Font(L"font");
  info->bPngBack = IsTrue(r.Text(L"ispngback"));
}

void CSkinResourceManager::ReadEditXml(CMarkup& xml, tagSKINEDITINFO* info) {
  Reader r{*this, xml};
  r.ColorKeep(L"clrborder", info->clrBorder);
  r.ColorKeep(L"clrbacknormal", info->clrBackNormal);
  r.ColorKeep(L"clrdisable", info->clrDisable);
  info->strScroll = r.Text(L"bmpscroll");
}

void CSkinResourceManager::ReadComboBoxXml(CMarkup& xml, tagSKINCOMBOBOXINFO* info) {
  Reader r{*this, xml};
  info->clrBorder = r.Color(L"clrborder", 0);
  info->strButton = r.Text(L"bmpbutton");
}

void CSkinResourceManager::ReadProgressXml(CMarkup& xml, tagSKINPROGRESSINFO* info) {
  Reader r{*this, xml};
  r.ColorKeep(L"clrprogress", info->clrProgress);
  info->strChannelNormal = r.Text(L"channel_normal");
  info->strChannelActive = r.Text(L"channel_active");
  info->clrTransparent = r.Color(L"clrtransparent", 0xFF00FF);
  info->bHasSize = IsTrue(r.Text(L"hassize"));
  std::wstring stretch = r.Text(L"hasstretch");
  if (!stretch.empty()) info->bHasStretch = IsTrue(stretch);
  info->nBmpOffset = r.Number(L"bmpoffset", info->nBmpOffset);
  std::wstring part = r.Text(L"offfsetpart");
  if (!part.empty()) String2Pos(part, info->ptOffsetPart);
  info->bEnableHls = NotFalse(r.Text(L"enablehls"));
  info->bHasText = IsTrue(r.Text(L"hastext"));
  info->pFont = r.Font(L"font");
  info->clrText = r.Color(L"clrtext", 0);
}

void CSkinResourceManager::ReadTabCtrlXml(CMarkup& xml, tagSKINTABCTRLINFO* info) {
  Reader r{*this, xml};
  info->clrBorder = r.Color(L"clrborder", 0);
  info->clrBack = r.Color(L"clrback", 0);
  info->clrText = r.Color(L"clrtext", 0);
  info->strNormal = r.Text(L"bmpnormal");
  info->strSelect = r.Text(L"bmpselect");
  info->strItemNormal = r.Text(L"bmpitemnormal");
}

void CSkinResourceManager::ReadHeadCtrlXml(CMarkup& xml, tagSKINHEADERINFO* info) {
  Reader r{*this, xml};
  info->strItemNormal = r.Text(L"bmpitemnormal");
  info->strItemHot = r.Text(L"bmpitemhot");
  info->strItemDown = r.Text(L"bmpitemdown");
  info->clrTextNormal = r.Color(L"clrtextnormal", 0);
  info->clrTextHot = r.Color(L"clrtexthot", 0);
  info->clrTextDown = r.Color(L"clrtextdown", 0);
  std::wstring border = r.Text(L"borderoffset");
  if (!border.empty()) String2Pos(border, info->rcBorderOffset);
  info->pFont = r.Font(L"font");
  info->nItemHeight = r.Number(L"nitemheight", 20);
}

void CSkinResourceManager::ReadListCtrlXml(CMarkup& xml, tagSKINLISTCTRLINFO* info) {
  Reader r{*this, xml};
  info->strItemSelect = r.Text(L"bmpitemselect");
  info->clrItemBack1 = r.Color(L"clritemback1", 0xFFFFFF);
  info->clrItemBack2 = r.Color(L"clritemback2", 0xFFFFFF);
  info->clrTextNormal = r.Color(L"clrtextnormal", 0);
  info->clrTextSelect = r.Color(L"clrtextselect", 0);
  info->pFont = r.Font(L"font");
  info->strScroll = r.Text(L"bmpscroll");
  info->strHeadLabel = r.Text(L"strheadlabel");
  info->clrBorder = r.Color(L"clrborder", 0);
  info->nItemHeight = r.Number(L"nitemheight", 20);
  std::wstring border = r.Text(L"borderoffset");
  if (!border.empty()) String2Pos(border, info->rcBorderOffset);
}

void CSkinResourceManager::ReadSliderCtrlXml(CMarkup& xml, tagSKINSLIDERCTRLINFO* info) {
  Reader r{*this, xml};
  info->strThumbNormal = r.Text(L"thumbnormal");
  info->strThumbHot = r.Text(L"thumbhot");
  info->strThumbDown = r.Text(L"thumbdown");
  info->strThumbDisable = r.Text(L"thumbdisable");
  info->strThumbFocus = r.Text(L"thumbfocus");
  info->strChannelNormal = r.Text(L"channelnormal");
  info->strChannelActive = r.Text(L"channelactive");
  info->clrTransparent = r.Color(L"clrtransparent", 0xFF00FF);
  info->clrBackground = r.Color(L"clrbackground", 0x808080);
  info->bHasSize = IsTrue(r.Text(L"hassize"));
  info->nChannelOffset = r.Number(L"nchanneloffset", 5);
}

void CSkinResourceManager::ReadSlider_ProgressCtrlXml(CMarkup& xml,
                                                      tagSKINSLIDER_PROGRESSCTRLINFO* info) {
  ReadSliderCtrlXml(xml, info);
}
