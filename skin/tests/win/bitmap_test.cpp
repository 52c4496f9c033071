// CSkinBitmap and CxImage through Veneer.dll.
#include <gtest/gtest.h>

#include <vector>

#include "SkinBitmap.h"
#include "SkinResourceManager.h"
#include "test_skin.h"
#include "ximage.h"

namespace {

const COLORREF kKey = RGB(255, 0, 255);

std::vector<RECT> RegionRects(HRGN rgn) {
  DWORD size = GetRegionData(rgn, 0, nullptr);
  std::vector<BYTE> buffer(size);
  auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
  if (size == 0 || GetRegionData(rgn, size, data) == 0) return {};
  const RECT* r = reinterpret_cast<const RECT*>(data->Buffer);
  return std::vector<RECT>(r, r + data->rdh.nCount);
}

// A memory DC with a 32-bit DIB section to draw into and read back.
class Surface {
 public:
  Surface(int w, int h, COLORREF fill) : w_(w), h_(h) {
    dc_ = CreateCompatibleDC(nullptr);
    bmp_ = MakeDib(w, h, [fill](int, int) { return fill; });
    old_ = SelectObject(dc_, bmp_);
  }
  ~Surface() {
    SelectObject(dc_, old_);
    DeleteObject(bmp_);
    DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }
  COLORREF At(int x, int y) const {
    GdiFlush();
    return GetPixel(dc_, x, y);
  }

 private:
  int w_, h_;
  HDC dc_;
  HBITMAP bmp_;
  HGDIOBJ old_;
};

class SkinBitmapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    skin_ = std::make_unique<TestSkin>(L"veneer_bitmap_test_skin");
    skin_->WriteXml("<skin/>");
    skin_->Install();
  }
  void TearDown() override {
    skin_.reset();
    CSkinResourceManager::DestroyInstance();
  }
  std::unique_ptr<TestSkin> skin_;
};

TEST_F(SkinBitmapTest, LoadsFromTheSkinFolder) {
  skin_->WriteBmp(L"a.bmp", 7, 5, [](int x, int y) { return RGB(x * 30, y * 40, 9); });
  CSkinBitmap bmp;
  ASSERT_TRUE(bmp.LoadBitmapW(L"a.bmp"));
  EXPECT_EQ(bmp.Width(), 7);
  EXPECT_EQ(bmp.Height(), 5);
  DIBSECTION ds;
  EXPECT_EQ(GetObjectW(bmp.GetSafeHandle(), sizeof ds, &ds), static_cast<int>(sizeof ds));  // a DIB section
  Surface s(10, 10, RGB(1, 1, 1));
  bmp.BitBlt(s.dc(), 1, 1);
  EXPECT_EQ(s.At(1 + 3, 1 + 2), RGB(90, 80, 9));
  EXPECT_EQ(s.At(9, 9), RGB(1, 1, 1));
}

TEST_F(SkinBitmapTest, MissingFileLeavesNoBitmap) {
  skin_->WriteBmp(L"a.bmp", 3, 3, [](int, int) { return RGB(1, 2, 3); });
  CSkinBitmap bmp;
  ASSERT_TRUE(bmp.LoadBitmapW(L"a.bmp"));
  EXPECT_FALSE(bmp.LoadBitmapW(L"missing.bmp"));  // the previous one is freed first
  EXPECT_EQ(bmp.GetSafeHandle(), nullptr);
  EXPECT_EQ(bmp.Width(), 0);
  EXPECT_EQ(bmp.Height(), 0);
  Surface s(4, 4, RGB(7, 7, 7));
  EXPECT_FALSE(bmp.FillRect9Grid(s.dc(), RECT{0, 0, 4, 4}, RECT{1, 1, 1, 1}));
  EXPECT_EQ(bmp.CreateRgnFromFile(kKey), nullptr);
}

TEST_F(SkinBitmapTest, RegionOfAnAllKeyBitmapIsEmpty) {
  for (int bpp : {16, 24, 32}) {
    CSkinBitmap bmp;
    bmp.Attach(MakeDib(9, 6, [](int, int) { return kKey; }, bpp));
    HRGN rgn = bmp.CreateRgnFromFile(kKey);
    ASSERT_NE(rgn, nullptr);
    RECT box;
    EXPECT_EQ(GetRgnBox(rgn, &box), NULLREGION) << bpp;
    EXPECT_TRUE(RegionRects(rgn).empty());
    DeleteObject(rgn);
  }
}

TEST_F(SkinBitmapTest, RegionOfOneNonKeyPixelIsOneUnitRectangle) {
  for (int bpp : {16, 24, 32}) {
    CSkinBitmap bmp;
    bmp.Attach(MakeDib(9, 6, [](int x, int y) { return x == 4 && y == 2 ? RGB(10, 20, 30) : kKey; }, bpp));
    HRGN rgn = bmp.CreateRgnFromFile(kKey);
    std::vector<RECT> rects = RegionRects(rgn);
    ASSERT_EQ(rects.size(), 1u) << bpp;
    EXPECT_EQ(rects[0].left, 4);
    EXPECT_EQ(rects[0].top, 2);
    EXPECT_EQ(rects[0].right, 5);
    EXPECT_EQ(rects[0].bottom, 3);
    DeleteObject(rgn);
  }
}

TEST_F(SkinBitmapTest, RegionFromAFileBitmapSkipsRoundedCorners) {
  // 10 x 4 with the four corner pixels keyed: rows 0 and 3 lose one pixel at each end.
  skin_->WriteBmp(L"r.bmp", 10, 4, [](int x, int y) {
    return ((x == 0 || x == 9) && (y == 0 || y == 3)) ? kKey : RGB(0, 0, 200);
  });
  CSkinBitmap bmp;
  ASSERT_TRUE(bmp.LoadBitmapW(L"r.bmp"));
  HRGN rgn = bmp.CreateRgnFromFile(kKey);
  EXPECT_FALSE(PtInRegion(rgn, 0, 0));
  EXPECT_TRUE(PtInRegion(rgn, 1, 0));
  EXPECT_TRUE(PtInRegion(rgn, 0, 1));
  EXPECT_FALSE(PtInRegion(rgn, 9, 3));
  EXPECT_TRUE(PtInRegion(rgn, 8, 3));
  RECT box;
  GetRgnBox(rgn, &box);
  EXPECT_EQ(box.right, 10);
  EXPECT_EQ(box.bottom, 4);
  DeleteObject(rgn);
}

TEST_F(SkinBitmapTest, RegionOfManyRunsGrowsItsBuffer) {
  // A checkerboard: far more rectangles than rows.
  CSkinBitmap bmp;
  bmp.Attach(MakeDib(64, 8, [](int x, int y) { return (x + y) % 2 ? RGB(0, 0, 0) : kKey; }));
  HRGN rgn = bmp.CreateRgnFromFile(kKey);
  EXPECT_EQ(RegionRects(rgn).size(), 64u * 8 / 2);
  EXPECT_TRUE(PtInRegion(rgn, 1, 0));
  EXPECT_FALSE(PtInRegion(rgn, 0, 0));
  DeleteObject(rgn);
}

// Source 12 x 12: each pixel of the 3-pixel corners has its own colour; edges and centre
// are single colours.
COLORREF GridSource(int x, int y) {
  bool left = x < 3, right = x >= 9, top = y < 3, bottom = y >= 9;
  if ((left || right) && (top || bottom)) return RGB(40 + x * 10, 40 + y * 10, left ? (top ? 1 : 2) : (top ? 3 : 4));
  if (top) return RGB(200, 0, 0);
  if (bottom) return RGB(0, 200, 0);
  if (left) return RGB(0, 0, 200);
  if (right) return RGB(200, 200, 0);
  return RGB(90, 90, 90);
}

TEST_F(SkinBitmapTest, NineGridKeepsCornersUnscaled) {
  CSkinBitmap bmp;
  bmp.Attach(MakeDib(12, 12, GridSource));
  Surface s(80, 50, RGB(255, 255, 255));
  RECT dest = {5, 4, 5 + 60, 4 + 40};
  ASSERT_TRUE(bmp.FillRect9Grid(s.dc(), dest, RECT{3, 3, 3, 3}));
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 3; ++x) {
      EXPECT_EQ(s.At(5 + x, 4 + y), GridSource(x, y)) << x << "," << y;                      // top left
      EXPECT_EQ(s.At(5 + 57 + x, 4 + y), GridSource(9 + x, y)) << x << "," << y;             // top right
      EXPECT_EQ(s.At(5 + x, 4 + 37 + y), GridSource(x, 9 + y)) << x << "," << y;             // bottom left
      EXPECT_EQ(s.At(5 + 57 + x, 4 + 37 + y), GridSource(9 + x, 9 + y)) << x << "," << y;    // bottom right
    }
  }
  EXPECT_EQ(s.At(5 + 30, 4 + 1), RGB(200, 0, 0));    // top edge stretched along
  EXPECT_EQ(s.At(5 + 30, 4 + 38), RGB(0, 200, 0));   // bottom edge
  EXPECT_EQ(s.At(5 + 1, 4 + 20), RGB(0, 0, 200));    // left edge
  EXPECT_EQ(s.At(5 + 58, 4 + 20), RGB(200, 200, 0));  // right edge
  EXPECT_EQ(s.At(5 + 30, 4 + 20), RGB(90, 90, 90));  // centre
  EXPECT_EQ(s.At(4, 4), RGB(255, 255, 255));         // nothing outside
  EXPECT_EQ(s.At(65, 44), RGB(255, 255, 255));
}

TEST_F(SkinBitmapTest, NineGridWithKeyLeavesKeyPixelsOut) {
  CSkinBitmap bmp;
  bmp.Attach(MakeDib(12, 12, [](int x, int y) { return x == 0 && y == 0 ? kKey : GridSource(x, y); }));
  Surface s(40, 30, RGB(1, 2, 3));
  ASSERT_TRUE(bmp.FillRect9Grid(s.dc(), RECT{0, 0, 40, 30}, RECT{3, 3, 3, 3}, kKey));
  EXPECT_EQ(s.At(0, 0), RGB(1, 2, 3));
  EXPECT_EQ(s.At(1, 0), GridSource(1, 0));
  EXPECT_EQ(s.At(39, 29), GridSource(11, 11));
  EXPECT_EQ(s.At(20, 15), RGB(90, 90, 90));
}

TEST_F(SkinBitmapTest, NineGridIntoASmallerRectangleStaysInside) {
  CSkinBitmap bmp;
  bmp.Attach(MakeDib(12, 12, GridSource));
  Surface s(10, 10, RGB(255, 255, 255));
  ASSERT_TRUE(bmp.FillRect9Grid(s.dc(), RECT{2, 2, 6, 5}, RECT{3, 3, 3, 3}));
  EXPECT_EQ(s.At(1, 1), RGB(255, 255, 255));
  EXPECT_EQ(s.At(6, 5), RGB(255, 255, 255));
  EXPECT_EQ(s.At(2, 2), GridSource(0, 0));
  bmp.FillRect9Grid(s.dc(), RECT{0, 0, 0, 0}, RECT{3, 3, 3, 3});  // empty: nothing to do
  bmp.FillRect9Grid(s.dc(), RECT{0, 0, 5, 5}, RECT{-4, 40, 99, -1});  // absurd margins
}

TEST_F(SkinBitmapTest, TransparentAndStretchedBlits) {
  CSkinBitmap bmp;
  bmp.Attach(MakeDib(4, 4, [](int x, int) { return x < 2 ? kKey : RGB(0, 128, 0); }));
  Surface s(20, 20, RGB(9, 9, 9));
  EXPECT_TRUE(bmp.TransparentBlt(s.dc(), 0, 0, 8, 8, kKey));
  EXPECT_EQ(s.At(1, 1), RGB(9, 9, 9));
  EXPECT_EQ(s.At(6, 6), RGB(0, 128, 0));
  EXPECT_TRUE(bmp.TransparentBltEx(s.dc(), 10, 10, kKey));
  EXPECT_EQ(s.At(10, 10), RGB(9, 9, 9));
  EXPECT_EQ(s.At(13, 13), RGB(0, 128, 0));
  EXPECT_TRUE(bmp.StretchBlt(s.dc(), 0, 12, 8, 8));
  EXPECT_EQ(s.At(7, 19), RGB(0, 128, 0));
}

TEST_F(SkinBitmapTest, PngDrawsWithItsAlpha) {
  skin_->WritePng(L"p.png", 4, 2, [](int x, int) -> DWORD {
    return x == 0 ? 0x00FF0000 : x == 1 ? 0xFF0000FF : 0x80000000;  // clear, opaque blue, half black
  });
  CxImage img;
  ASSERT_TRUE(img.Load(CSkinResourceManager::GetInstance()->GetSkinPath() + L"\\p.png", CXIMAGE_FORMAT_PNG));
  EXPECT_TRUE(img.IsValid());
  EXPECT_EQ(img.GetWidth(), 4u);
  EXPECT_EQ(img.GetHeight(), 2u);
  Surface s(6, 4, RGB(255, 255, 255));
  EXPECT_TRUE(img.Draw(s.dc(), 1, 1));
  EXPECT_EQ(s.At(1, 1), RGB(255, 255, 255));
  EXPECT_EQ(s.At(2, 1), RGB(0, 0, 255));
  COLORREF half = s.At(3, 1);
  EXPECT_NEAR(GetRValue(half), 127, 2);
  CxImage missing;
  EXPECT_FALSE(missing.Load(L"Z:\\nonexistent\\x.png", CXIMAGE_FORMAT_PNG));
  EXPECT_FALSE(missing.IsValid());
  EXPECT_FALSE(missing.Draw(s.dc(), 0, 0));
  CxImagePNG png;
  EXPECT_TRUE(png.Load(CSkinResourceManager::GetInstance()->GetSkinPath() + L"\\p.png"));
}

}  // namespace
