// AM_MEDIA_TYPE ownership helpers and a builder for uncompressed VIDEOINFOHEADER types.
#pragma once

#ifndef STRSAFE_NO_DEPRECATE
#define STRSAFE_NO_DEPRECATE
#endif
#include <windows.h>
#include <dshow.h>

namespace dshow {

// Frees the format block and the pUnk of `mt` (not `mt` itself) and zeroes those fields.
void FreeMediaType(AM_MEDIA_TYPE& mt);
// Frees a type made with CoTaskMemAlloc, as handed out by enumerators and GetFormat.
void DeleteMediaType(AM_MEDIA_TYPE* mt);
// Deep copy into `dst`, whose previous contents are overwritten, not freed.
HRESULT CopyMediaType(AM_MEDIA_TYPE* dst, const AM_MEDIA_TYPE* src);
// A CoTaskMemAlloc'ed deep copy; nullptr when out of memory.
AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* src);

// GUIDs equal and format blocks byte-equal.
bool SameMediaType(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b);
// `pattern` is a possibly partial type: its non-null GUIDs must equal those of `mt`.
bool MatchesPartialType(const AM_MEDIA_TYPE& mt, const AM_MEDIA_TYPE& pattern);
// Major type, subtype or format type is GUID_NULL.
bool IsPartiallySpecified(const AM_MEDIA_TYPE& mt);

// An owning AM_MEDIA_TYPE: usable wherever an AM_MEDIA_TYPE* is expected.
class CMediaType : public AM_MEDIA_TYPE {
 public:
  CMediaType();
  explicit CMediaType(const AM_MEDIA_TYPE& other);
  CMediaType(const CMediaType& other);
  CMediaType& operator=(const CMediaType& other);
  CMediaType& operator=(const AM_MEDIA_TYPE& other);
  ~CMediaType();

  HRESULT Set(const AM_MEDIA_TYPE& other);
  void Clear();
  // A zeroed format block of `size` bytes replacing the old one; nullptr when out of memory.
  BYTE* AllocFormat(ULONG size);
  bool IsValid() const { return majortype != GUID_NULL; }
  // The video header when the format is FORMAT_VideoInfo and large enough.
  VIDEOINFOHEADER* VideoInfo() const;
};

// FOURCC subtypes: {XXXXXXXX-0000-0010-8000-00AA00389B71}.
GUID SubtypeFromFourcc(DWORD fourcc);
// The subtype a bitmap header stands for (BI_RGB by bit count, else its FOURCC).
GUID SubtypeFromBitmapHeader(const BITMAPINFOHEADER& header);

// Uncompressed video formats the builder knows.
struct VideoFormatInfo {
  const GUID* subtype;
  WORD bitCount;
  DWORD compression;  // BI_RGB or a FOURCC
};
const VideoFormatInfo* FindVideoFormat(const GUID& subtype);

// Bytes of one image: BI_RGB rows are padded to 4 bytes; YUV is packed without padding.
DWORD ImageSize(DWORD compression, WORD bitCount, LONG width, LONG height);

// Fills `mt` with MEDIATYPE_Video / `subtype` / FORMAT_VideoInfo, fixed-size samples of
// one image, height positive (bottom-up for RGB). `formatSize` may exceed
// sizeof(VIDEOINFOHEADER) (e.g. sizeof(VIDEOINFO)); the tail is zero.
HRESULT MakeVideoInfoType(CMediaType* mt, const GUID& subtype, LONG width, LONG height,
                          REFERENCE_TIME avgTimePerFrame,
                          ULONG formatSize = sizeof(VIDEOINFOHEADER));

}  // namespace dshow
