#include "SkinResourceManager.h"

#include <gtest/gtest.h>

#include "Markup.h"
#include "temp_dir.h"

namespace {

class ResourceManager : public ::testing::Test {
 protected:
  void SetUp() override { m_ = CSkinResourceManager::GetInstance(); }
  void TearDown() override { CSkinResourceManager::DestroyInstance(); }

  void Read(const std::string& xml) {
    WriteText(tmp_.path() / "skin.xml", xml);
    m_->ReadVeneersXml((tmp_.path() / "skin.xml").wstring());
  }

  TempDir tmp_;
  CSkinResourceManager* m_ = nullptr;
};

TEST_F(ResourceManager, SingletonLivesUntilDestroyed) {
  EXPECT_EQ(CSkinResourceManager::GetInstance(), m_);
  CSkinResourceManager::DestroyInstance();
  CSkinResourceManager::DestroyInstance();  // twice is harmless
  m_ = CSkinResourceManager::GetInstance();
  ASSERT_NE(m_, nullptr);
}

TEST_F(ResourceManager, ColourSyntax) {
  EXPECT_EQ(m_->String2RGB(L"RGB(255,0,0)"), 0x0000FFu);
  EXPECT_EQ(m_->String2RGB(L"RGB(1,2)"), 0x000201u);
  EXPECT_EQ(m_->String2RGB(L"RGB(0,0,255)"), 0xFF0000u);
  EXPECT_EQ(m_->String2RGB(L"RGB(256,257,-1)"), 0xFF0100u);  // each modulo 256
  EXPECT_EQ(m_->String2RGB(L"RGB(1,2,3,4)"), 0x030201u);
  EXPECT_EQ(m_->String2RGB(L"RGB()"), 0u);
  EXPECT_EQ(m_->String2RGB(L""), 0u);
  EXPECT_EQ(m_->String2RGB(L"x"), 0u);
  EXPECT_EQ(m_->String2RGB(L"#undefined"), 0u);
  EXPECT_EQ(m_->String2RGB(L"rgb(9,9,9]"), 0x090909u);  // only the frame's length matters
}

TEST_F(ResourceManager, PublicColourReference) {
  Read(R"XML(<skin><publiccolor><color id="c1" value="RGB(10,20,30)"/><color value="RGB(1,1,1)"/>
          <color id="c2" value="#c1"/></publiccolor>
          <defaultskin><edit clrborder="#c1"/></defaultskin></skin>)XML");
  EXPECT_EQ(m_->GetPublicColorRef(L"c1"), 0x1E140Au);
  EXPECT_EQ(m_->String2RGB(L"#c1"), 0x1E140Au);
  EXPECT_EQ(m_->GetPublicColorRef(L"c2"), 0x1E140Au);
  EXPECT_EQ(m_->GetPublicColorRef(L""), 0u);
  EXPECT_EQ(m_->GetDefaultEditInfo()->clrBorder, 0x1E140Au);
}

TEST_F(ResourceManager, PointAndRectangleSyntax) {
  SKINPOINT p;
  m_->String2Pos(L"(3,4)", p);
  EXPECT_EQ(p.x, 3);
  EXPECT_EQ(p.y, 4);
  m_->String2Pos(L"(7)", p);
  EXPECT_EQ(p.x, 7);
  EXPECT_EQ(p.y, 0);
  SKINRECT r;
  m_->String2Pos(L"(1,2,3,4)", r);
  EXPECT_EQ(r.left, 1);
  EXPECT_EQ(r.bottom, 4);
  m_->String2Pos(L"(9,8)", r);
  EXPECT_EQ(r.left, 9);
  EXPECT_EQ(r.top, 8);
  EXPECT_EQ(r.right, -1);
  EXPECT_EQ(r.bottom, -1);
  m_->String2Pos(L"", r);
  EXPECT_EQ(r.left, -1);
}

TEST_F(ResourceManager, FontsNeedIdFaceAndSize) {
  Read(R"XML(<skin><publicfont>
      <font id="f1" fontface="Tahoma" fontsize="12" bold="true" underline="TRUE"/>
      <font id="zero" fontface="Tahoma" fontsize="0"/>
      <font id="noface" fontface="" fontsize="9"/>
      <font fontface="Arial" fontsize="9"/>
    </publicfont></skin>)XML");
  tagSKINFONTINFO* f = m_->GetPublicFont(L"f1");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->strFaceName, L"Tahoma");
  EXPECT_EQ(f->nSize, 12);
  EXPECT_EQ(f->bBold, 1);
  EXPECT_EQ(f->bUnderline, 0);  // only the exact "true"
  EXPECT_EQ(m_->GetPublicFont(L"zero"), nullptr);
  EXPECT_EQ(m_->GetPublicFont(L"noface"), nullptr);
  EXPECT_EQ(m_->String2Font(L"#f1"), f);
  EXPECT_EQ(m_->String2Font(L"f1"), nullptr);
  EXPECT_EQ(m_->String2Font(L"#nope"), nullptr);
}

TEST_F(ResourceManager, RepeatedFontIdReplacesButOldRecordStaysValid) {
  Read(R"XML(<skin><publicfont><font id="f" fontface="A" fontsize="9"/></publicfont>
          <publicfont><font id="f" fontface="B" fontsize="11"/></publicfont></skin>)XML");
  EXPECT_EQ(m_->GetPublicFont(L"f")->strFaceName, L"B");
  tagSKINFONTINFO* held = m_->GetPublicFont(L"f");
  Read(R"XML(<skin><publicfont><font id="f" fontface="C" fontsize="13"/></publicfont></skin>)XML");
  EXPECT_EQ(m_->GetPublicFont(L"f")->strFaceName, L"C");
  EXPECT_EQ(held->strFaceName, L"B");  // still readable
}

TEST_F(ResourceManager, SectionsOutOfOrderAreNotRead) {
  Read(R"XML(<skin><publiccolor><color id="early" value="RGB(1,2,3)"/></publiccolor>
          <publicfont><font id="f" fontface="A" fontsize="9"/></publicfont>
          <adjustedit><edit name="e1"/></adjustedit>
          <defaultskin><button clrnormal="RGB(9,9,9)"/></defaultskin>
          <adjustbutton><button name="b1"/></adjustbutton></skin>)XML");
  EXPECT_NE(m_->GetPublicFont(L"f"), nullptr);
  EXPECT_EQ(m_->GetPublicColorRef(L"early"), 0u);  // before publicfont
  // The search for defaultskin passes over adjustedit; the edit section is then behind.
  EXPECT_EQ(m_->GetDefaultButtonInfo()->clrNormal, 0x090909u);
  EXPECT_NE(m_->GetSkinButtonInfo(L"b1"), nullptr);
  EXPECT_EQ(m_->GetSkinEditInfo(L"e1"), nullptr);
}

TEST_F(ResourceManager, DefaultSkinChildrenAreReadInTheirOrderOnce) {
  Read(R"XML(<skin><defaultskin>
      <edit clrborder="RGB(1,0,0)"/>
      <button clrnormal="RGB(2,0,0)"/>
      <listctrl nitemheight="30"/>
      <listctrl nitemheight="40"/>
    </defaultskin></skin>)XML");
  EXPECT_EQ(m_->GetDefaultButtonInfo()->clrNormal, 2u);
  EXPECT_EQ(m_->GetDefaultEditInfo()->clrBorder, 0xBD9E7Bu);  // passed over by the button search
  EXPECT_EQ(m_->GetDefaultListCtrlInfo()->nItemHeight, 30);
}

TEST_F(ResourceManager, NamelessVariantsSkippedAndRepeatedNamesReplaced) {
  Read(R"XML(<skin><adjustbutton>
      <button bmpbacknormal="skipped.bmp"/>
      <button name="" bmpbacknormal="skipped.bmp"/>
      <button name="btn.default" bmpbacknormal="first.bmp"/>
      <button name="btn.default" bmpbacknormal="second.bmp"/>
      <edit name="notabutton"/>
    </adjustbutton></skin>)XML");
  tagSKINBUTTONINFO* b = m_->GetSkinButtonInfo(L"btn.default");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->strBackNormal, L"second.bmp");
  EXPECT_EQ(m_->GetSkinButtonInfo(L""), nullptr);
  EXPECT_EQ(m_->GetSkinButtonInfo(L"BTN.DEFAULT"), nullptr);  // case matters
  EXPECT_EQ(m_->GetSkinEditInfo(L"notabutton"), nullptr);
}

TEST_F(ResourceManager, TabLookupsAnswerNone) {
  Read(R"XML(<skin><adjusttabctrl><tabctrl name="t"/></adjusttabctrl></skin>)XML");
  EXPECT_EQ(m_->GetSkinTabCtrlInfo(L"t"), nullptr);
  EXPECT_EQ(m_->GetSkinTabCtrlInfo(L""), nullptr);
  EXPECT_NE(m_->GetDefaultTabCtrlInfo(), nullptr);
}

TEST_F(ResourceManager, BuiltInDefaultsBeforeAnyRead) {
  const tagSKINBUTTONINFO* b = m_->GetDefaultButtonInfo();
  EXPECT_EQ(b->clrTransparent, 0xFF00FFu);
  EXPECT_EQ(b->bEnable9Grid, 1);
  EXPECT_EQ(b->rc9GridMargins.left, 2);
  EXPECT_EQ(b->rc9GridMargins.bottom, 2);
  EXPECT_EQ(b->pFont, nullptr);
  const tagSKINEDITINFO* e = m_->GetDefaultEditInfo();
  EXPECT_EQ(e->clrBorder, 0xBD9E7Bu);
  EXPECT_EQ(e->clrBackNormal, 0xFFFFFFu);
  EXPECT_EQ(e->clrDisable, 0xEFEBEFu);
  EXPECT_EQ(m_->GetDefaultProgressInfo()->nReserved2, 1);
  EXPECT_EQ(m_->GetDefaultProgressInfo()->nBmpOffset, 8);
  EXPECT_EQ(m_->GetDefaultProgressInfo()->bHasStretch, 1);
  EXPECT_EQ(m_->GetDefaultHeadCtrlInfo()->rcBorderOffset.left, 5);
  EXPECT_EQ(m_->GetDefaultSliderCtrlInfo()->clrBackground, 0x808080u);
  EXPECT_EQ(m_->GetDefaultSliderCtrlInfo()->nChannelOffset, 5);
  tagSKINFONTINFO fresh;
  EXPECT_EQ(fresh.strFaceName, L"\u5B8B\u4F53");
  EXPECT_EQ(fresh.nSize, 10);
}

TEST_F(ResourceManager, ButtonAttributesAndTheirAbsentValues) {
  Read(R"XML(<skin><defaultskin><button clrdown="RGB(5,5,5)" clrnormal="RGB(1,1,1)"/></defaultskin>
      <adjustbutton>
      <button name="a" bmpbacknormal="n.png" bmpbackhot="h.png" bmpbackdown="d.png" bmpbackdisable="x.png"
              bmpbackfocus="f.png" clrnormal="RGB(1,2,3)" clrhot="RGB(4,5,6)" clrdown="RGB(7,8,9)"
              clrdisable="RGB(10,11,12)" clrfocus="RGB(13,14,15)" enable9grid="no" ispngback="true"
              ntextpos="3"/>
      <button name="b" enable9grid="false" ispngback="True"/>
    </adjustbutton></skin>)XML");
  EXPECT_EQ(m_->GetDefaultButtonInfo()->clrDown, 0x050505u);
  Read(R"XML(<skin><defaultskin><button clrhot="RGB(2,2,2)"/></defaultskin></skin>)XML");
  EXPECT_EQ(m_->GetDefaultButtonInfo()->clrDown, 0x050505u);  // kept when absent
  EXPECT_EQ(m_->GetDefaultButtonInfo()->clrNormal, 0u);       // others fall to 0

  tagSKINBUTTONINFO* a = m_->GetSkinButtonInfo(L"a");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->strBackFocus, L"f.png");
  EXPECT_EQ(a->clrDown, 0x090807u);
  EXPECT_EQ(a->clrFocus, 0x0F0E0Du);
  EXPECT_EQ(a->bEnable9Grid, 1);  // cleared only by "false"
  EXPECT_EQ(a->bPngBack, 1);
  EXPECT_EQ(a->nTextPos, 3);
  tagSKINBUTTONINFO* b = m_->GetSkinButtonInfo(L"b");
  EXPECT_EQ(b->bEnable9Grid, 0);
  EXPECT_EQ(b->bPngBack, 0);  // set only by "true"
  EXPECT_EQ(b->nTextPos, 0);
  EXPECT_EQ(b->clrTransparent, 0xFF00FFu);
}

TEST_F(ResourceManager, RadioCheckProgressHeaderListAndSliderRecords) {
  Read(R"XML(<skin><publicfont><font id="f" fontface="Arial" fontsize="14"/></publicfont>
      <adjustradiocheck><radiocheck name="r" bmpbacknormals="cs.bmp" bmpbackfocuss="fs.bmp"
          clrback="RGB(1,0,0)" freeback="true" font="#f" clrtransprent="RGB(0,255,0)"/>
        <radiocheck name="r2"/></adjustradiocheck>
      <adjustprogress><progress name="p" clrprogress="RGB(1,2,3)" hasstretch="yes" bmpoffset="3"
          offfsetpart="(4,5)" enablehls="false" hastext="true" font="#f" clrtext="RGB(9,0,0)"/>
        <progress name="p2" hasstretch="true"/><progress name="p3"/></adjustprogress>
      <adjustslider><slider name="s" thumbnormal="t.png" clrbackground="RGB(1,1,1)" hassize="true"
          nchanneloffset="7"/></adjustslider>
      <adjustheadctrl><headctrl name="h" borderoffset="(1,2,3,4)" nitemheight="25" font="#f"/>
        <headctrl name="h2" borderoffset="(6,7)"/></adjustheadctrl>
      <adjustlistctrl><listctrl name="l" strheadlabel="h" clritemback1="RGB(0,0,1)"/></adjustlistctrl>
    </skin>)XML");
  tagSKINADIOCHECKBTNINFO* r = m_->GetSkinRadioCheckInfo(L"r");
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->strBackNormalS, L"cs.bmp");
  EXPECT_EQ(r->strBackFocusS, L"fs.bmp");
  EXPECT_EQ(r->clrBack, 1u);
  EXPECT_EQ(r->bFreeBack, 1);
  EXPECT_EQ(r->pFont, m_->GetPublicFont(L"f"));
  EXPECT_EQ(r->clrTransparent, 0x00FF00u);
  EXPECT_EQ(m_->GetSkinRadioCheckInfo(L"r2")->clrTransparent, 0xFF00FFu);

  tagSKINPROGRESSINFO* p = m_->GetSkinProgressInfo(L"p");
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->clrProgress, 0x030201u);
  EXPECT_EQ(p->bHasStretch, 0);
  EXPECT_EQ(p->nBmpOffset, 3);
  EXPECT_EQ(p->ptOffsetPart.x, 4);
  EXPECT_EQ(p->ptOffsetPart.y, 5);
  EXPECT_EQ(p->bEnableHls, 0);
  EXPECT_EQ(p->bHasText, 1);
  EXPECT_EQ(p->clrText, 9u);
  EXPECT_EQ(m_->GetSkinProgressInfo(L"p2")->bHasStretch, 1);
  EXPECT_EQ(m_->GetSkinProgressInfo(L"p3")->bHasStretch, 1);
  EXPECT_EQ(m_->GetSkinProgressInfo(L"p3")->nBmpOffset, 8);

  tagSKINSLIDERCTRLINFO* s = m_->GetSkinSliderCtrlInfo(L"s");
  tagSKINSLIDER_PROGRESSCTRLINFO* sp = m_->GetSkinSlider_ProgressCtrlInfo(L"s");
  ASSERT_NE(s, nullptr);
  ASSERT_NE(sp, nullptr);
  EXPECT_NE(static_cast<void*>(s), static_cast<void*>(sp));
  EXPECT_EQ(sp->strThumbNormal, L"t.png");
  EXPECT_EQ(sp->bHasSize, 1);
  EXPECT_EQ(sp->nChannelOffset, 7);
  EXPECT_EQ(s->clrBackground, 0x010101u);

  tagSKINHEADERINFO* h = m_->GetSkinHeadCtrlInfo(L"h");
  EXPECT_EQ(h->rcBorderOffset.top, 2);
  EXPECT_EQ(h->rcBorderOffset.bottom, 4);
  EXPECT_EQ(h->nItemHeight, 25);
  EXPECT_EQ(m_->GetSkinHeadCtrlInfo(L"h2")->rcBorderOffset.right, -1);
  EXPECT_EQ(m_->GetSkinHeadCtrlInfo(L"h2")->nItemHeight, 20);

  tagSKINLISTCTRLINFO* l = m_->GetSkinListCtrlInfo(L"l");
  EXPECT_EQ(l->strHeadLabel, L"h");
  EXPECT_EQ(l->clrItemBack1, 0x010000u);
  EXPECT_EQ(l->clrItemBack2, 0xFFFFFFu);
  EXPECT_EQ(l->nItemHeight, 20);
  EXPECT_EQ(l->rcBorderOffset.left, 5);
}

TEST_F(ResourceManager, EditVariantStartsFromEditDefaults) {
  Read(R"XML(<skin><adjustedit><edit name="e" clrdisable="RGB(1,1,1)"/></adjustedit></skin>)XML");
  tagSKINEDITINFO* e = m_->GetSkinEditInfo(L"e");
  EXPECT_EQ(e->clrBorder, 0xBD9E7Bu);
  EXPECT_EQ(e->clrBackNormal, 0xFFFFFFu);
  EXPECT_EQ(e->clrDisable, 0x010101u);
}

TEST_F(ResourceManager, MissingOrMalformedFileKeepsDefaults) {
  m_->ReadVeneersXml((tmp_.path() / "absent.xml").wstring());
  Read("<skin><defaultskin><button clrnormal=\"RGB(1,1,1)\"></defaultskin>");
  Read("<other><defaultskin><button clrnormal=\"RGB(1,1,1)\"/></defaultskin></other>");
  EXPECT_EQ(m_->GetDefaultButtonInfo()->clrNormal, 0u);
  EXPECT_EQ(m_->GetDefaultEditInfo()->clrBorder, 0xBD9E7Bu);
}

TEST_F(ResourceManager, InstallReadsFromTheProgramFolderAndReturnsOne) {
  EXPECT_EQ(m_->Install(L"veneer_no_such_skin", L"default.xml"), 1);
  const std::wstring& path = m_->GetSkinPath();
  ASSERT_GE(path.size(), 19u);
  EXPECT_EQ(path.substr(path.size() - 19), L"veneer_no_such_skin");
}

TEST_F(ResourceManager, RecordsSurviveAReinstall) {
  Read(R"XML(<skin><adjustbutton><button name="x" bmpbacknormal="1.bmp"/></adjustbutton></skin>)XML");
  tagSKINBUTTONINFO* first = m_->GetSkinButtonInfo(L"x");
  Read(R"XML(<skin><adjustbutton><button name="x" bmpbacknormal="2.bmp"/></adjustbutton></skin>)XML");
  EXPECT_EQ(m_->GetSkinButtonInfo(L"x")->strBackNormal, L"2.bmp");
  EXPECT_EQ(first->strBackNormal, L"1.bmp");
}

}  // namespace
