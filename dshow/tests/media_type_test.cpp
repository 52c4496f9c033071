#include "dshow_base/media_type.h"

#include <gtest/gtest.h>

using dshow::CMediaType;

namespace {

// Counts references, to see that copies hold pUnk.
class CountingUnknown : public IUnknown {
 public:
  STDMETHODIMP QueryInterface(REFIID, void** ppv) override {
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() override { return --refs; }
  ULONG refs = 1;
};

const VIDEOINFOHEADER& Vih(const CMediaType& mt) { return *mt.VideoInfo(); }

TEST(VideoInfoBuilder, Rgb24HasBottomUpRowsPaddedToFourBytes) {
  CMediaType mt;
  ASSERT_EQ(S_OK, dshow::MakeVideoInfoType(&mt, MEDIASUBTYPE_RGB24, 640, 480, 333333));
  EXPECT_EQ(MEDIATYPE_Video, mt.majortype);
  EXPECT_EQ(MEDIASUBTYPE_RGB24, mt.subtype);
  EXPECT_EQ(FORMAT_VideoInfo, mt.formattype);
  EXPECT_TRUE(mt.bFixedSizeSamples);
  EXPECT_FALSE(mt.bTemporalCompression);
  EXPECT_EQ(sizeof(VIDEOINFOHEADER), mt.cbFormat);
  EXPECT_EQ(640u * 480u * 3u, mt.lSampleSize);
  EXPECT_EQ(640, Vih(mt).bmiHeader.biWidth);
  EXPECT_EQ(480, Vih(mt).bmiHeader.biHeight);
  EXPECT_EQ(24, Vih(mt).bmiHeader.biBitCount);
  EXPECT_EQ(static_cast<DWORD>(BI_RGB), Vih(mt).bmiHeader.biCompression);
  EXPECT_EQ(1, Vih(mt).bmiHeader.biPlanes);
  EXPECT_EQ(sizeof(BITMAPINFOHEADER), Vih(mt).bmiHeader.biSize);
  EXPECT_EQ(333333, Vih(mt).AvgTimePerFrame);
  EXPECT_NEAR(640.0 * 480 * 24 * 30, Vih(mt).dwBitRate, 1000.0);

  ASSERT_EQ(S_OK, dshow::MakeVideoInfoType(&mt, MEDIASUBTYPE_RGB24, 321, 2, 0));
  EXPECT_EQ(964u * 2u, Vih(mt).bmiHeader.biSizeImage);  // 963 bytes padded to 964
}

TEST(VideoInfoBuilder, YuvSizesAndLargerFormatBlocks) {
  CMediaType mt;
  ASSERT_EQ(S_OK, dshow::MakeVideoInfoType(&mt, MEDIASUBTYPE_YUY2, 352, 288, 400000,
                                           sizeof(VIDEOINFO)));
  EXPECT_EQ(sizeof(VIDEOINFO), mt.cbFormat);
  EXPECT_EQ(352u * 288u * 2u, mt.lSampleSize);
  EXPECT_EQ(MAKEFOURCC('Y', 'U', 'Y', '2'), Vih(mt).bmiHeader.biCompression);
  ASSERT_EQ(S_OK, dshow::MakeVideoInfoType(&mt, MEDIASUBTYPE_IYUV, 704, 576, 400000));
  EXPECT_EQ(704u * 576u * 3u / 2u, mt.lSampleSize);
  EXPECT_EQ(12, Vih(mt).bmiHeader.biBitCount);
  ASSERT_EQ(S_OK, dshow::MakeVideoInfoType(&mt, MEDIASUBTYPE_RGB32, 320, 240, 0));
  EXPECT_EQ(320u * 240u * 4u, mt.lSampleSize);

  EXPECT_EQ(E_INVALIDARG, dshow::MakeVideoInfoType(&mt, MEDIASUBTYPE_MJPG, 320, 240, 0));
  EXPECT_EQ(E_INVALIDARG, dshow::MakeVideoInfoType(&mt, MEDIASUBTYPE_RGB24, 0, 240, 0));
  EXPECT_EQ(E_INVALIDARG, dshow::MakeVideoInfoType(&mt, MEDIASUBTYPE_RGB24, 320, 240, 0, 10));
}

TEST(VideoInfoBuilder, SubtypesFollowBitmapHeaders) {
  BITMAPINFOHEADER h = {};
  h.biCompression = BI_RGB;
  h.biBitCount = 24;
  EXPECT_EQ(MEDIASUBTYPE_RGB24, dshow::SubtypeFromBitmapHeader(h));
  h.biBitCount = 32;
  EXPECT_EQ(MEDIASUBTYPE_RGB32, dshow::SubtypeFromBitmapHeader(h));
  h.biCompression = MAKEFOURCC('Y', 'V', '1', '2');
  EXPECT_EQ(MEDIASUBTYPE_YV12, dshow::SubtypeFromBitmapHeader(h));
  EXPECT_EQ(MEDIASUBTYPE_YUY2, dshow::SubtypeFromFourcc(MAKEFOURCC('Y', 'U', 'Y', '2')));
  ASSERT_NE(nullptr, dshow::FindVideoFormat(MEDIASUBTYPE_NV12));
  EXPECT_EQ(nullptr, dshow::FindVideoFormat(GUID_NULL));
}

TEST(MediaTypeOwnership, CopiesAreDeepAndHoldTheirUnknown) {
  CountingUnknown unk;
  CMediaType a;
  ASSERT_EQ(S_OK, dshow::MakeVideoInfoType(&a, MEDIASUBTYPE_RGB24, 320, 240, 0));
  a.pUnk = &unk;
  unk.AddRef();
  {
    CMediaType b(a);
    EXPECT_NE(a.pbFormat, b.pbFormat);
    EXPECT_TRUE(dshow::SameMediaType(a, b));
    EXPECT_EQ(3u, unk.refs);
    CMediaType c;
    c = b;
    c = c;  // self-assignment keeps the type
    EXPECT_TRUE(dshow::SameMediaType(a, c));
    EXPECT_EQ(4u, unk.refs);
    c.VideoInfo()->bmiHeader.biWidth = 321;
    EXPECT_FALSE(dshow::SameMediaType(a, c));
  }
  EXPECT_EQ(2u, unk.refs);

  AM_MEDIA_TYPE* heap = dshow::CreateMediaType(&a);
  ASSERT_NE(nullptr, heap);
  EXPECT_TRUE(dshow::SameMediaType(a, *heap));
  EXPECT_EQ(3u, unk.refs);
  dshow::DeleteMediaType(heap);
  EXPECT_EQ(2u, unk.refs);

  a.Clear();
  EXPECT_EQ(1u, unk.refs);
  EXPECT_FALSE(a.IsValid());
  EXPECT_EQ(nullptr, a.pbFormat);
  EXPECT_EQ(nullptr, a.VideoInfo());
  dshow::DeleteMediaType(nullptr);
}

TEST(MediaTypeMatching, PartialPatternsMatchOnTheirNonNullGuids) {
  CMediaType full;
  ASSERT_EQ(S_OK, dshow::MakeVideoInfoType(&full, MEDIASUBTYPE_RGB24, 320, 240, 0));
  AM_MEDIA_TYPE pattern = {};
  EXPECT_TRUE(dshow::IsPartiallySpecified(pattern));
  EXPECT_FALSE(dshow::IsPartiallySpecified(full));
  EXPECT_TRUE(dshow::MatchesPartialType(full, pattern));
  pattern.majortype = MEDIATYPE_Video;
  pattern.subtype = MEDIASUBTYPE_RGB24;
  EXPECT_TRUE(dshow::MatchesPartialType(full, pattern));
  pattern.subtype = MEDIASUBTYPE_RGB32;
  EXPECT_FALSE(dshow::MatchesPartialType(full, pattern));
  pattern.subtype = GUID_NULL;
  pattern.formattype = FORMAT_VideoInfo2;
  EXPECT_FALSE(dshow::MatchesPartialType(full, pattern));
}

}  // namespace
