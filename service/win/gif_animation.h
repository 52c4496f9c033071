// The animated picture of the load and experience pages (skin key "load1"), its frames
// decoded with GDI+; and the GDI+ session the main window keeps.
#pragma once

#include <windows.h>

#include <string>

namespace lookout {

class GdiplusSession {
 public:
  GdiplusSession();
  ~GdiplusSession();
  bool Started() const { return m_token != 0; }

 private:
  ULONG_PTR m_token = 0;
};

class CGifAnimation {
 public:
  CGifAnimation() = default;
  ~CGifAnimation();
  CGifAnimation(const CGifAnimation&) = delete;
  CGifAnimation& operator=(const CGifAnimation&) = delete;

  bool Load(const std::wstring& path);
  bool Loaded() const { return m_image != nullptr; }
  int FrameCount() const { return m_frames; }
  int Frame() const { return m_frame; }
  // The next frame (the first after the last).
  void Next();
  void Draw(HDC dc, int x, int y, int cx, int cy);

 private:
  void* m_image = nullptr;  // GpImage
  int m_frames = 0;
  int m_frame = 0;
};

}  // namespace lookout
