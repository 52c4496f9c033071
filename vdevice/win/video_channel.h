// A source of one IP camera's pictures, handed out in the format the pin negotiated.
#pragma once

#include <windows.h>

namespace mirage {

class CVideoChannel {
 public:
  virtual int Open(const wchar_t* deviceName) = 0;
  virtual int Start(const wchar_t* deviceName) = 0;
  // 1 when a picture was written into `buffer` (`length` bytes of `compression`).
  virtual int GetFrame(BYTE* buffer, long length, DWORD compression) = 0;
  virtual ~CVideoChannel() {}
  virtual DWORD GetCompression() { return 0; }
  virtual void SetWidth(int) {}
  virtual int GetWidth() { return 0; }
  virtual void SetHeight(int) {}
  virtual int GetHeight() { return 0; }
  virtual void Stop() {}
};

}  // namespace mirage
