#include "real_video_channel.h"

#include <cstring>
#include <string>

#include "NetClient.h"
#include "Rookery.h"
#include "video_formats.h"
#include "yuy2_packer.h"

namespace mirage {

namespace {

constexpr wchar_t kWindowClass[] = L"Display video Wnd";
constexpr wchar_t kWindowTitle[] = L"Display video Wnd intance";

HMODULE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

void SizeOfStreamCode(int code, int* width, int* height) {
  switch (code) {
    case 0:
      *width = 176;
      *height = 144;
      break;
    case 1:
    case 2:
      *width = 352;
      *height = 288;
      break;
    case 3:
      *width = 704;
      *height = 576;
      break;
    default:
      break;  // the size stays
  }
}

}  // namespace

CRealVideoChannel::CRealVideoChannel() {
  InitializeCriticalSection(&m_lock);
  AddRookeryCallBack(&CRealVideoChannel::PlayEvent, this);
}

CRealVideoChannel::~CRealVideoChannel() {
  // Once removed, no play event for this channel is running or will run.
  RemoveRookeryCallBack(&CRealVideoChannel::PlayEvent, this);
  Stop();
  // Only the creating thread can destroy the window; when that (streaming) thread has
  // ended, the window has gone with it.
  if (m_hWnd != nullptr && IsWindow(m_hWnd)) DestroyWindow(m_hWnd);
  m_frame.clear();
  DeleteCriticalSection(&m_lock);
}

int CRealVideoChannel::Open(const wchar_t* deviceName) {
  CamSearchMgr* cameras = CamSearchMgr::GetInstance(nullptr);
  if (cameras->GetCamCount() == 0) return 1;
  CAMLIST_ITEM* camera = cameras->GetCamInfoFromString(deviceName);
  if (camera == nullptr) return 1;
  // The record's text fields are terminated within their arrays (Rookery copies them so);
  // the 32-bit words keep the information record aligned.
  uint32_t info[kNetClientStreamInfoSize / 4] = {};
  if (NC_GetStreamInfo(camera->name, camera->ip, 0, camera->username, camera->userpassword, info,
                       camera->localport) == 1) {
    SizeOfStreamCode(static_cast<int32_t>(info[kNetClientStreamSizeWord]), &m_nWidth, &m_nHeight);
  }
  return 1;
}

int CRealVideoChannel::Start(const wchar_t* deviceName) {
  if (m_hWnd == nullptr || !IsWindow(m_hWnd)) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = ThisModule();
    wc.lpszClassName = kWindowClass;
    RegisterClassW(&wc);  // already registered by another channel: that one serves
    m_hWnd = CreateWindowExW(0, kWindowClass, kWindowTitle, WS_POPUP | WS_DISABLED, -m_nWidth,
                             -m_nHeight, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
    if (m_hWnd != nullptr) ShowWindow(m_hWnd, SW_HIDE);
  }
  if (m_playHandle != -1) Stop();
  const long play = GetRookeryHandle(deviceName);
  m_playHandle = play;
  if (play == -1) return -1;
  const long real = GetCameraRealHandle(play);
  NC_SetPlayWindow(real, m_hWnd);
  m_callbackInstalled = NC_SetFrameCallBack(real, &CRealVideoChannel::FrameArrived, this) != 0;
  return 1;
}

void CRealVideoChannel::Stop() {
  const long play = m_playHandle.exchange(-1);
  if (play != -1) {
    // Never under the channel lock: NetClient waits for a frame in delivery, which takes it.
    const long real = GetCameraRealHandle(play);
    NC_SetFrameCallBack(real, nullptr, this);
    NC_SetPlayWindow(real, nullptr);
  }
  m_callbackInstalled = false;
}

void CRealVideoChannel::SetFrameCallBack(long realHandle) {
  NC_SetFrameCallBack(realHandle, &CRealVideoChannel::FrameArrived, this);
}

void CRealVideoChannel::PlayEvent(long realHandle, int event, int value, void* context) {
  auto* self = static_cast<CRealVideoChannel*>(context);
  const long play = self->m_playHandle;
  if (play == -1 || realHandle != GetCameraRealHandle(play)) return;
  if (value == 0 && event == 1) {  // the camera's play was (re)connected
    NC_SetPlayWindow(realHandle, self->m_hWnd);
    self->SetFrameCallBack(realHandle);
  }
  if (!self->m_callbackInstalled) {
    self->SetFrameCallBack(realHandle);
    self->m_callbackInstalled = true;
  }
}

void __stdcall CRealVideoChannel::FrameArrived(unsigned char* y, unsigned char* u,
                                               unsigned char* v, int, int, int width, int height,
                                               void* context) {
  auto* self = static_cast<CRealVideoChannel*>(context);
  EnterCriticalSection(&self->m_lock);
  // A frame of another size than the stream's would not fit the buffer or the connected
  // format: it is dropped.
  if (width != self->m_nWidth || height != self->m_nHeight || width <= 0 || height <= 0 ||
      y == nullptr || u == nullptr || v == nullptr) {
    ++self->m_dropped;
    LeaveCriticalSection(&self->m_lock);
    return;
  }
  const size_t luma = static_cast<size_t>(width) * static_cast<size_t>(height);
  const size_t chroma = luma / 4;
  if (self->m_frame.empty()) self->m_frame.resize(luma + 2 * chroma);
  uint8_t* out = self->m_frame.data();
  memcpy(out, y, luma);
  memcpy(out + luma, v, chroma);
  memcpy(out + luma + chroma, u, chroma);
  self->m_haveFrame = true;
  ++self->m_frames;
  LeaveCriticalSection(&self->m_lock);
}

DWORD CRealVideoChannel::GetCompression() { return kCompressionYuy2; }

int CRealVideoChannel::GetFrame(BYTE* buffer, long length, DWORD) {
  EnterCriticalSection(&m_lock);
  int written = 0;
  const long long image = static_cast<long long>(m_nWidth) * m_nHeight * 2;
  if (m_haveFrame && buffer != nullptr && image == length &&
      m_frame.size() == PlanarFrameSize(m_nWidth, m_nHeight)) {
    written = PackYuy2(m_frame.data(), m_nWidth, m_nHeight, buffer) ? 1 : 0;
  }
  LeaveCriticalSection(&m_lock);
  return written;
}

}  // namespace mirage
