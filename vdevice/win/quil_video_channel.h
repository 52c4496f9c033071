// The channel of a quil camera: reads the camera's HTTP MJPEG stream on its own thread,
// decodes each picture into a 32-bit memory bitmap and hands out the latest as RGB32.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <vector>

#include "mjpeg_stream.h"
#include "video_channel.h"

namespace mirage {

class CQuilVideoChannel : public CVideoChannel {
 public:
  CQuilVideoChannel();
  ~CQuilVideoChannel() override;

  // Takes the camera's address, port and login from its record; 0 when there is none.
  int Open(const wchar_t* deviceName) override;
  // Starts the receive thread once.
  int Start(const wchar_t* deviceName) override;
  // Bottom-up B G R X rows of the latest picture; 0 (nothing written) before the first.
  int GetFrame(BYTE* buffer, long length, DWORD compression) override;
  DWORD GetCompression() override { return 0; }
  int GetWidth() override;
  int GetHeight() override;

  // For tests: pictures decoded and drawn, those drawn scaled from another size, those
  // that did not decode, whether the receive thread has ended and why the stream ended.
  long Pictures() const { return m_pictures; }
  long ScaledPictures() const { return m_scaled; }
  long FailedPictures() const { return m_failed; }
  bool ReceiveEnded() const;
  MjpegStreamParser::End StreamEnd() const { return m_streamEnd; }

 private:
  static DWORD WINAPI ReceiveThread(void* self);
  void Receive();
  void OnNewImage(std::vector<uint8_t>&& image);

  char m_host[128] = {};
  uint16_t m_port = 0;
  char m_user[65] = {};
  char m_password[65] = {};
  uint8_t m_resolution = 0;
  BOOL m_threadRunning = FALSE;
  HANDLE m_thread = nullptr;
  DWORD m_threadId = 0;
  HDC m_memDC = nullptr;
  HBITMAP m_bitmap = nullptr;
  HGDIOBJ m_oldBitmap = nullptr;
  BITMAPINFOHEADER m_header = {};
  CRITICAL_SECTION m_lock;  // the image, the memory bitmap and GetFrame
  std::vector<uint8_t> m_image;
  int m_nWidth = 320;
  int m_nHeight = 240;
  std::atomic<long> m_pictures{0};
  std::atomic<long> m_scaled{0};
  std::atomic<long> m_failed{0};
  std::atomic<MjpegStreamParser::End> m_streamEnd{MjpegStreamParser::End::kNone};
};

}  // namespace mirage
