// The channel of an orvel camera: decoded 4:2:0 frames from the vendor library NetClient,
// through the play handle Rookery keeps for the camera, handed out packed as YUY2.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <vector>

#include "video_channel.h"

namespace mirage {

class CRealVideoChannel : public CVideoChannel {
 public:
  CRealVideoChannel();
  ~CRealVideoChannel() override;

  // Reads the camera's stream size through NetClient; returns 1.
  int Open(const wchar_t* deviceName) override;
  // Attaches the hidden window and the frame callback to the camera's play; -1 when the
  // camera has no play handle.
  int Start(const wchar_t* deviceName) override;
  int GetFrame(BYTE* buffer, long length, DWORD compression) override;
  DWORD GetCompression() override;
  void SetWidth(int width) override { m_nWidth = width; }
  int GetWidth() override { return m_nWidth; }
  void SetHeight(int height) override { m_nHeight = height; }
  int GetHeight() override { return m_nHeight; }
  void Stop() override;

  // For tests: frames stored, and frames dropped for a size other than the stream's.
  long Frames() const { return m_frames; }
  long DroppedFrames() const { return m_dropped; }
  long PlayHandle() const { return m_playHandle; }
  HWND Window() const { return m_hWnd; }

 private:
  static void PlayEvent(long realHandle, int event, int value, void* context);
  static void __stdcall FrameArrived(unsigned char* y, unsigned char* u, unsigned char* v,
                                     int yStride, int uvStride, int width, int height,
                                     void* context);
  void SetFrameCallBack(long realHandle);

  HWND m_hWnd = nullptr;
  int m_nWidth = 0;
  int m_nHeight = 0;
  std::atomic<long> m_playHandle{-1};  // also read by the play-event callback
  std::atomic<bool> m_callbackInstalled{false};
  CRITICAL_SECTION m_lock;  // the frame buffer
  std::vector<uint8_t> m_frame;  // Y, V, U planes of the last frame
  bool m_haveFrame = false;
  std::atomic<long> m_frames{0};
  std::atomic<long> m_dropped{0};
};

}  // namespace mirage
