// The camera binder behind the output pin: binds once to the camera that the filter's
// graph name names (camera 0 when it names none) and owns that camera's channel.
#pragma once

#include <windows.h>

#include <string>

class CamSearchMgr;

namespace mirage {

class CVideoChannel;

class CVirtualVideoDev {
 public:
  CVirtualVideoDev(int width, int height);
  ~CVirtualVideoDev();
  CVirtualVideoDev(const CVirtualVideoDev&) = delete;
  CVirtualVideoDev& operator=(const CVirtualVideoDev&) = delete;

  // Binds at most once: an empty name (a filter outside a graph) binds nothing.
  void SetDevice(const wchar_t* name);
  // Starts the channel on the first call, then lets it write the latest picture; without
  // a picture the buffer is left as it is.
  void GetFrame(BYTE* buffer, long length);
  DWORD GetCompression();
  // Bytes of one image of the connected format; 0 before a connection.
  long ImageSize() const;
  // Tells the channel to stop (from the pin's destructor).
  void Stop();

  const std::wstring& DeviceName() const { return m_deviceName; }
  bool HasChannel() const { return m_pChannel != nullptr; }
  bool Started() const { return m_bStarted != FALSE; }
  // Samples whose length did not match the connected format (left black).
  long MismatchedSamples() const { return m_mismatched; }

  int m_iImageHeight;
  int m_iImageWidth;
  int m_biBitCount = 0;
  DWORD m_dwCompression = 0;

 private:
  static constexpr size_t kMaxName = 127;

  CamSearchMgr* const m_pCamMgr;
  BOOL m_bStarted = FALSE;
  std::wstring m_deviceName;
  CVideoChannel* m_pChannel = nullptr;
  long m_mismatched = 0;
};

}  // namespace mirage
