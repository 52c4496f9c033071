#include "quil_video_channel.h"

#include <cstring>

#include "Rookery.h"
#include "picture_render.h"
#include "stream_request.h"

namespace mirage {

namespace {

template <size_t N>
void CopyField(char (&to)[N], const char* from, size_t fromSize) {
  size_t n = strnlen(from, fromSize);
  if (n >= N) n = N - 1;
  memcpy(to, from, n);
  to[n] = '\0';
}

}  // namespace

CQuilVideoChannel::CQuilVideoChannel() { InitializeCriticalSection(&m_lock); }

CQuilVideoChannel::~CQuilVideoChannel() {
  if (m_thread != nullptr) {
    // The thread looks at its queue between receives and before and after connecting.
    DWORD code = STILL_ACTIVE;
    do {
      PostThreadMessageW(m_threadId, WM_QUIT, 0, 0);
      Sleep(10);
    } while (GetExitCodeThread(m_thread, &code) && code == STILL_ACTIVE);
    CloseHandle(m_thread);
  }
  m_image.clear();
  if (m_memDC != nullptr) {
    SelectObject(m_memDC, m_oldBitmap);
    DeleteDC(m_memDC);
  }
  if (m_bitmap != nullptr) DeleteObject(m_bitmap);
  DeleteCriticalSection(&m_lock);
}

int CQuilVideoChannel::GetWidth() {
  QuilPictureSize(m_resolution, &m_nWidth, &m_nHeight);
  return m_nWidth;
}

int CQuilVideoChannel::GetHeight() {
  QuilPictureSize(m_resolution, &m_nWidth, &m_nHeight);
  return m_nHeight;
}

int CQuilVideoChannel::Open(const wchar_t* deviceName) {
  CamSearchMgr* cameras = CamSearchMgr::GetInstance(nullptr);
  if (cameras->GetCamCount() == 0) return 0;
  const CAMLIST_ITEM* camera = cameras->GetCamInfoFromString(deviceName);
  if (camera == nullptr) return 0;
  CopyField(m_host, camera->ip, sizeof camera->ip);
  CopyField(m_user, camera->username, sizeof camera->username);
  CopyField(m_password, camera->userpassword, sizeof camera->userpassword);
  m_port = camera->webport;
  m_resolution = kQuilResolutionCode;
  const int width = GetWidth();
  const int height = GetHeight();

  EnterCriticalSection(&m_lock);
  if (m_memDC == nullptr) {
    HDC display = CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr);
    m_memDC = CreateCompatibleDC(display);
    if (display != nullptr) DeleteDC(display);
  }
  m_header = {};
  m_header.biSize = sizeof m_header;
  m_header.biWidth = width;
  m_header.biHeight = height;  // positive: bottom-up rows
  m_header.biPlanes = 1;
  m_header.biBitCount = 32;
  m_header.biCompression = BI_RGB;
  // A 32-bit section rather than a display-compatible bitmap: a display of fewer colours
  // would cost the picture its colour depth.
  if (m_memDC != nullptr && m_bitmap == nullptr) {
    void* bits = nullptr;
    m_bitmap = CreateDIBSection(m_memDC, reinterpret_cast<BITMAPINFO*>(&m_header),
                                DIB_RGB_COLORS, &bits, nullptr, 0);
    if (m_bitmap != nullptr) m_oldBitmap = SelectObject(m_memDC, m_bitmap);
    SetStretchBltMode(m_memDC, COLORONCOLOR);
  }
  LeaveCriticalSection(&m_lock);
  return 1;
}

int CQuilVideoChannel::Start(const wchar_t*) {
  if (m_threadRunning) return 1;
  m_thread = CreateThread(nullptr, 0, &CQuilVideoChannel::ReceiveThread, this, 0, &m_threadId);
  m_threadRunning = m_thread != nullptr;
  return 1;
}

bool CQuilVideoChannel::ReceiveEnded() const {
  DWORD code = 0;
  return m_thread != nullptr && GetExitCodeThread(m_thread, &code) && code != STILL_ACTIVE;
}

void CQuilVideoChannel::OnNewImage(std::vector<uint8_t>&& image) {
  EnterCriticalSection(&m_lock);
  m_image = std::move(image);
  SIZE size = {0, 0};
  if (m_memDC != nullptr && m_bitmap != nullptr &&
      DrawPicture(m_memDC, m_image.data(), m_image.size(), m_nWidth, m_nHeight, &size)) {
    // A picture of another size than the connected one is drawn scaled into it.
    if (size.cx != m_nWidth || size.cy != m_nHeight) ++m_scaled;
    ++m_pictures;
  } else {
    ++m_failed;
  }
  LeaveCriticalSection(&m_lock);
}

int CQuilVideoChannel::GetFrame(BYTE* buffer, long length, DWORD) {
  EnterCriticalSection(&m_lock);
  int written = 0;
  const long image = static_cast<long>(m_nHeight) * m_nWidth * 4;
  if (!m_image.empty() && buffer != nullptr && length == image && m_bitmap != nullptr) {
    BITMAPINFOHEADER header = m_header;  // GetDIBits may write into it
    written = GetDIBits(m_memDC, m_bitmap, 0, static_cast<UINT>(m_nHeight), buffer,
                        reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS) == m_nHeight;
  }
  LeaveCriticalSection(&m_lock);
  return written;
}

}  // namespace mirage
