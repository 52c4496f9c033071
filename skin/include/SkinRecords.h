// Drawing parameters of one control kind as read from a skin description file.
// Colours are 0x00BBGGRR values; rectangles and points have the layout of RECT and POINT.
#pragma once

#include <cstdint>
#include <string>

typedef std::uint32_t SKINCOLOR;

struct SKINPOINT {
  std::int32_t x = 0;
  std::int32_t y = 0;
};

struct SKINRECT {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
};

struct tagSKINFONTINFO {
  std::wstring strFaceName = L"\u5B8B\u4F53";  // 宋体
  std::int32_t nSize = 10;
  std::int32_t bBold = 0;
  std::int32_t bUnderline = 0;
};

struct tagSKINBUTTONINFO {
  std::wstring strBackNormal, strBackHot, strBackDown, strBackDisable, strBackFocus;
  SKINCOLOR clrNormal = 0, clrHot = 0, clrDown = 0, clrDisable = 0, clrFocus = 0;
  SKINCOLOR clrTransparent = 0xFF00FF;
  std::int32_t bEnable9Grid = 1;
  SKINRECT rc9GridMargins{2, 2, 2, 2};  // left, top, right, bottom
  tagSKINFONTINFO* pFont = nullptr;
  std::int32_t bPngBack = 0;
  std::int32_t nTextPos = 0;
};

struct tagSKINADIOCHECKBTNINFO {
  std::wstring strBackNormal, strBackHot, strBackDown, strBackDisable, strBackFocus;
  std::wstring strBackNormalS, strBackHotS, strBackDownS, strBackDisableS, strBackFocusS;
  SKINCOLOR clrNormal = 0, clrHot = 0, clrDown = 0, clrDisable = 0, clrFocus = 0;
  SKINCOLOR clrBack = 0;
  std::int32_t bFreeBack = 0;
  SKINCOLOR clrTransparent = 0xFF00FF;
  tagSKINFONTINFO* pFont = nullptr;
  std::int32_t bPngBack = 0;
};

struct tagSKINEDITINFO {
  SKINCOLOR clrBorder = 0xBD9E7B;
  SKINCOLOR clrBackNormal = 0xFFFFFF;
  SKINCOLOR clrDisable = 0xEFEBEF;
  std::wstring strScroll;
};

struct tagSKINCOMBOBOXINFO {
  SKINCOLOR clrBorder = 0;
  std::wstring strButton;
};

struct tagSKINPROGRESSINFO {
  std::int32_t nReserved = 0;
  SKINCOLOR clrProgress = 0;
  std::int32_t nReserved2 = 1;
  std::wstring strChannelNormal, strChannelActive;
  SKINCOLOR clrTransparent = 0xFF00FF;
  std::int32_t bHasSize = 0;
  std::int32_t bHasStretch = 1;
  std::int32_t nBmpOffset = 8;
  SKINPOINT ptOffsetPart{0, 0};
  std::int32_t bEnableHls = 1;
  std::int32_t bHasText = 0;
  tagSKINFONTINFO* pFont = nullptr;
  SKINCOLOR clrText = 0;
};

struct tagSKINHEADERINFO {
  std::wstring strItemNormal, strItemHot, strItemDown;
  SKINCOLOR clrTextNormal = 0, clrTextHot = 0, clrTextDown = 0;
  SKINRECT rcBorderOffset{5, 5, 5, 5};
  tagSKINFONTINFO* pFont = nullptr;
  std::int32_t nItemHeight = 20;
};

struct tagSKINLISTCTRLINFO {
  std::wstring strItemSelect;
  SKINCOLOR clrItemBack1 = 0xFFFFFF, clrItemBack2 = 0xFFFFFF;
  SKINCOLOR clrTextNormal = 0, clrTextSelect = 0;
  tagSKINFONTINFO* pFont = nullptr;
  std::wstring strScroll;
  std::wstring strHeadLabel;
  SKINCOLOR clrBorder = 0;
  std::int32_t nItemHeight = 20;
  SKINRECT rcBorderOffset{5, 5, 5, 5};
};

struct tagSKINSLIDERCTRLINFO {
  std::wstring strThumbNormal, strThumbHot, strThumbDown, strThumbDisable, strThumbFocus;
  std::wstring strChannelNormal, strChannelActive;
  SKINCOLOR clrTransparent = 0xFF00FF;
  SKINCOLOR clrBackground = 0x808080;
  std::int32_t bHasSize = 0;
  std::int32_t nChannelOffset = 5;
};

struct tagSKINSLIDER_PROGRESSCTRLINFO : tagSKINSLIDERCTRLINFO {};

struct tagSKINTABCTRLINFO {
  SKINCOLOR clrBorder = 0, clrBack = 0, clrText = 0;
  std::wstring strNormal, strSelect, strItemNormal;
};
