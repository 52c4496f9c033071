// CxImage: a picture decoded from a file into 32-bit BGRA, drawn with its alpha channel.
// CxImagePNG is the PNG file class.
#pragma once

#include <windows.h>

#include <string>

#include "VeneerExport.h"

#define CXIMAGE_FORMAT_UNKNOWN 0
#define CXIMAGE_FORMAT_PNG 4

class VENEER_API CxImage {
 public:
  CxImage();
  explicit CxImage(const std::wstring& file, DWORD type = CXIMAGE_FORMAT_PNG);
  virtual ~CxImage();
  CxImage(const CxImage&) = delete;
  CxImage& operator=(const CxImage&) = delete;

  bool Load(const std::wstring& file, DWORD type = CXIMAGE_FORMAT_PNG);
  bool IsValid() const;
  void Destroy();
  DWORD GetWidth() const;
  DWORD GetHeight() const;
  // Alpha-blends the picture; cx/cy of -1 keep its size.
  bool Draw(HDC dc, int x, int y, int cx = -1, int cy = -1) const;
  // Straight-alpha pixel (B, G, R, A as 0xAARRGGBB); 0 outside.
  DWORD GetPixelBGRA(DWORD x, DWORD y) const;

 protected:
  virtual bool Decode(const std::wstring& file);
  bool SetPixels(DWORD width, DWORD height, const BYTE* bgra);

 private:
  void Premultiply() const;
  struct Impl;
  Impl* m_pImpl;
};

class VENEER_API CxImagePNG : public CxImage {
 public:
  CxImagePNG() = default;

 protected:
  bool Decode(const std::wstring& file) override;
};
