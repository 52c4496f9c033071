#include "Markup.h"

#include <gtest/gtest.h>

#include "temp_dir.h"

namespace {

TEST(Markup, WalksSiblingsForwardAndKeepsPositionWhenNothingFollows) {
  CMarkup xml;
  ASSERT_TRUE(xml.SetDoc("<skin><a n='1'/><b/><a n='2'/><c/></skin>"));
  ASSERT_TRUE(xml.FindElem(L"skin"));
  ASSERT_TRUE(xml.IntoElem());
  ASSERT_TRUE(xml.FindElem(L"a"));
  EXPECT_EQ(xml.GetAttrib(L"n"), L"1");
  ASSERT_TRUE(xml.FindElem(L"c"));
  EXPECT_FALSE(xml.FindElem(L"b"));  // only before the position
  EXPECT_EQ(xml.GetTagName(), L"c");
  EXPECT_FALSE(xml.FindElem(L"a"));
}

TEST(Markup, IntoAndOutOfElements) {
  CMarkup xml;
  ASSERT_TRUE(xml.SetDoc("<skin><sec><x v='a'/><x v='b'/></sec><sec2/></skin>"));
  EXPECT_FALSE(xml.IntoElem());  // nothing found yet
  ASSERT_TRUE(xml.FindElem(L"skin"));
  xml.IntoElem();
  ASSERT_TRUE(xml.FindElem(L"sec"));
  xml.IntoElem();
  ASSERT_TRUE(xml.FindElem(L"x"));
  ASSERT_TRUE(xml.FindElem(L"x"));
  EXPECT_EQ(xml.GetAttrib(L"v"), L"b");
  EXPECT_FALSE(xml.FindElem(L"x"));
  ASSERT_TRUE(xml.OutOfElem());
  EXPECT_EQ(xml.GetTagName(), L"sec");
  EXPECT_TRUE(xml.FindElem(L"sec2"));
  ASSERT_TRUE(xml.OutOfElem());
  EXPECT_FALSE(xml.OutOfElem());
}

TEST(Markup, MissingAttributeIsEmptyAndTextIsWide) {
  CMarkup xml;
  ASSERT_TRUE(xml.SetDoc("<f face='\xE5\xB9\xBC\xE5\x9C\x86'/>"));  // 幼圆
  ASSERT_TRUE(xml.FindElem());
  EXPECT_EQ(xml.GetAttrib(L"face"), L"\u5E7C\u5706");
  EXPECT_EQ(xml.GetAttrib(L"nothing"), L"");
}

TEST(Markup, MalformedOrMissingDocumentFindsNothing) {
  CMarkup xml;
  EXPECT_FALSE(xml.SetDoc("<skin><a></skin>"));
  EXPECT_FALSE(xml.FindElem(L"skin"));
  EXPECT_EQ(xml.GetAttrib(L"x"), L"");
  EXPECT_FALSE(xml.Load(L"/nonexistent/veneer/skin.xml"));
  EXPECT_FALSE(xml.FindElem());
}

TEST(Markup, LoadsFileWithByteOrderMark) {
  TempDir tmp;
  WriteText(tmp.path() / "s.xml", "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?><skin v='1'/>");
  CMarkup xml;
  ASSERT_TRUE(xml.Load((tmp.path() / "s.xml").wstring()));
  ASSERT_TRUE(xml.FindElem(L"skin"));
  EXPECT_EQ(xml.GetAttrib(L"v"), L"1");
}

}  // namespace
