#include "dshow_base/media_type.h"

#include <cstdlib>
#include <cstring>

namespace dshow {

void FreeMediaType(AM_MEDIA_TYPE& mt) {
  if (mt.pbFormat != nullptr) CoTaskMemFree(mt.pbFormat);
  mt.pbFormat = nullptr;
  mt.cbFormat = 0;
  if (mt.pUnk != nullptr) mt.pUnk->Release();
  mt.pUnk = nullptr;
}

void DeleteMediaType(AM_MEDIA_TYPE* mt) {
  if (mt == nullptr) return;
  FreeMediaType(*mt);
  CoTaskMemFree(mt);
}

HRESULT CopyMediaType(AM_MEDIA_TYPE* dst, const AM_MEDIA_TYPE* src) {
  if (dst == nullptr || src == nullptr) return E_POINTER;
  *dst = *src;
  if (src->cbFormat != 0 && src->pbFormat != nullptr) {
    dst->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(src->cbFormat));
    if (dst->pbFormat == nullptr) {
      dst->cbFormat = 0;
      dst->pUnk = nullptr;
      return E_OUTOFMEMORY;
    }
    memcpy(dst->pbFormat, src->pbFormat, src->cbFormat);
  } else {
    dst->pbFormat = nullptr;
    dst->cbFormat = 0;
  }
  if (dst->pUnk != nullptr) dst->pUnk->AddRef();
  return S_OK;
}

AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* src) {
  auto* mt = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
  if (mt == nullptr) return nullptr;
  if (FAILED(CopyMediaType(mt, src))) {
    CoTaskMemFree(mt);
    return nullptr;
  }
  return mt;
}

bool SameMediaType(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b) {
  if (a.majortype != b.majortype || a.subtype != b.subtype || a.formattype != b.formattype)
    return false;
  if (a.cbFormat != b.cbFormat) return false;
  return a.cbFormat == 0 || memcmp(a.pbFormat, b.pbFormat, a.cbFormat) == 0;
}

bool MatchesPartialType(const AM_MEDIA_TYPE& mt, const AM_MEDIA_TYPE& pattern) {
  if (pattern.majortype != GUID_NULL && pattern.majortype != mt.majortype) return false;
  if (pattern.subtype != GUID_NULL && pattern.subtype != mt.subtype) return false;
  if (pattern.formattype != GUID_NULL && pattern.formattype != mt.formattype) return false;
  return true;
}

bool IsPartiallySpecified(const AM_MEDIA_TYPE& mt) {
  return mt.majortype == GUID_NULL || mt.subtype == GUID_NULL || mt.formattype == GUID_NULL;
}

CMediaType::CMediaType() : AM_MEDIA_TYPE() { bFixedSizeSamples = TRUE; }

CMediaType::CMediaType(const AM_MEDIA_TYPE& other) : AM_MEDIA_TYPE() { Set(other); }

CMediaType::CMediaType(const CMediaType& other) : AM_MEDIA_TYPE() { Set(other); }

CMediaType& CMediaType::operator=(const CMediaType& other) {
  if (this != &other) Set(other);
  return *this;
}

CMediaType& CMediaType::operator=(const AM_MEDIA_TYPE& other) {
  if (this != &other) Set(other);
  return *this;
}

CMediaType::~CMediaType() { FreeMediaType(*this); }

HRESULT CMediaType::Set(const AM_MEDIA_TYPE& other) {
  if (this == &other) return S_OK;
  FreeMediaType(*this);
  HRESULT hr = CopyMediaType(this, &other);
  if (FAILED(hr)) Clear();
  return hr;
}

void CMediaType::Clear() {
  FreeMediaType(*this);
  AM_MEDIA_TYPE empty = {};
  *static_cast<AM_MEDIA_TYPE*>(this) = empty;
  bFixedSizeSamples = TRUE;
}

BYTE* CMediaType::AllocFormat(ULONG size) {
  if (pbFormat != nullptr) CoTaskMemFree(pbFormat);
  pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(size));
  cbFormat = pbFormat != nullptr ? size : 0;
  if (pbFormat != nullptr) memset(pbFormat, 0, size);
  return pbFormat;
}

VIDEOINFOHEADER* CMediaType::VideoInfo() const {
  if (formattype != FORMAT_VideoInfo || pbFormat == nullptr ||
      cbFormat < sizeof(VIDEOINFOHEADER))
    return nullptr;
  return reinterpret_cast<VIDEOINFOHEADER*>(pbFormat);
}

GUID SubtypeFromFourcc(DWORD fourcc) {
  GUID g = {fourcc, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
  return g;
}

GUID SubtypeFromBitmapHeader(const BITMAPINFOHEADER& header) {
  if (header.biCompression != BI_RGB) return SubtypeFromFourcc(header.biCompression);
  switch (header.biBitCount) {
    case 8: return MEDIASUBTYPE_RGB8;
    case 16: return MEDIASUBTYPE_RGB555;
    case 24: return MEDIASUBTYPE_RGB24;
    case 32: return MEDIASUBTYPE_RGB32;
    default: return GUID_NULL;
  }
}

namespace {

constexpr DWORD Fourcc(char a, char b, char c, char d) {
  return static_cast<DWORD>(static_cast<BYTE>(a)) |
         (static_cast<DWORD>(static_cast<BYTE>(b)) << 8) |
         (static_cast<DWORD>(static_cast<BYTE>(c)) << 16) |
         (static_cast<DWORD>(static_cast<BYTE>(d)) << 24);
}

const VideoFormatInfo kFormats[] = {
    {&MEDIASUBTYPE_RGB24, 24, BI_RGB},
    {&MEDIASUBTYPE_RGB32, 32, BI_RGB},
    {&MEDIASUBTYPE_RGB555, 16, BI_RGB},
    {&MEDIASUBTYPE_YUY2, 16, Fourcc('Y', 'U', 'Y', '2')},
    {&MEDIASUBTYPE_UYVY, 16, Fourcc('U', 'Y', 'V', 'Y')},
    {&MEDIASUBTYPE_IYUV, 12, Fourcc('I', 'Y', 'U', 'V')},
    {&MEDIASUBTYPE_YV12, 12, Fourcc('Y', 'V', '1', '2')},
    {&MEDIASUBTYPE_NV12, 12, Fourcc('N', 'V', '1', '2')},
};

}  // namespace

const VideoFormatInfo* FindVideoFormat(const GUID& subtype) {
  for (const auto& f : kFormats)
    if (*f.subtype == subtype) return &f;
  return nullptr;
}

DWORD ImageSize(DWORD compression, WORD bitCount, LONG width, LONG height) {
  DWORD w = static_cast<DWORD>(std::labs(width));
  DWORD h = static_cast<DWORD>(std::labs(height));
  if (compression == BI_RGB || compression == BI_BITFIELDS)
    return ((w * bitCount + 31) / 32) * 4 * h;
  return w * h * bitCount / 8;
}

HRESULT MakeVideoInfoType(CMediaType* mt, const GUID& subtype, LONG width, LONG height,
                          REFERENCE_TIME avgTimePerFrame, ULONG formatSize) {
  if (mt == nullptr) return E_POINTER;
  const VideoFormatInfo* info = FindVideoFormat(subtype);
  if (info == nullptr || width <= 0 || height <= 0 ||
      formatSize < sizeof(VIDEOINFOHEADER))
    return E_INVALIDARG;
  mt->Clear();
  auto* vih = reinterpret_cast<VIDEOINFOHEADER*>(mt->AllocFormat(formatSize));
  if (vih == nullptr) return E_OUTOFMEMORY;
  DWORD imageSize = ImageSize(info->compression, info->bitCount, width, height);
  vih->AvgTimePerFrame = avgTimePerFrame;
  if (avgTimePerFrame > 0)
    vih->dwBitRate = static_cast<DWORD>(imageSize * 8ULL * 10000000ULL /
                                        static_cast<ULONGLONG>(avgTimePerFrame));
  BITMAPINFOHEADER& bmi = vih->bmiHeader;
  bmi.biSize = sizeof(BITMAPINFOHEADER);
  bmi.biWidth = width;
  bmi.biHeight = height;
  bmi.biPlanes = 1;
  bmi.biBitCount = info->bitCount;
  bmi.biCompression = info->compression;
  bmi.biSizeImage = imageSize;
  mt->majortype = MEDIATYPE_Video;
  mt->subtype = subtype;
  mt->formattype = FORMAT_VideoInfo;
  mt->bFixedSizeSamples = TRUE;
  mt->bTemporalCompression = FALSE;
  mt->lSampleSize = imageSize;
  return S_OK;
}

}  // namespace dshow
