#include "virtual_video_dev.h"

#include <cstring>

#include "Rookery.h"
#include "quil_video_channel.h"
#include "real_video_channel.h"
#include "video_channel.h"

namespace mirage {

namespace {

// The record's family word, compared exactly within its field.
bool IsFamily(const CAMLIST_ITEM& camera, const char* family) {
  return strncmp(camera.cameratype, family, sizeof camera.cameratype) == 0;
}

}  // namespace

CVirtualVideoDev::CVirtualVideoDev(int width, int height)
    : m_iImageHeight(height), m_iImageWidth(width), m_pCamMgr(CamSearchMgr::GetInstance(nullptr)) {}

CVirtualVideoDev::~CVirtualVideoDev() { delete m_pChannel; }

void CVirtualVideoDev::SetDevice(const wchar_t* name) {
  if (!m_deviceName.empty() || name == nullptr || name[0] == L'\0') return;
  m_deviceName.assign(name, wcsnlen(name, kMaxName));
  if (m_pCamMgr->GetCamCount() == 0) return;  // no cameras: the name stays, nothing binds

  CAMLIST_ITEM* camera = m_pCamMgr->GetCamInfoFromString(m_deviceName.c_str());
  if (camera == nullptr) {
    camera = m_pCamMgr->GetCamInfo(0);
    const wchar_t* first = camera != nullptr ? m_pCamMgr->GetCamStringInfo(camera) : nullptr;
    if (first == nullptr) {
      m_deviceName.clear();
      return;
    }
    m_deviceName.assign(first, wcsnlen(first, kMaxName));
  }
  if (m_pChannel != nullptr) return;
  if (IsFamily(*camera, "orvel"))
    m_pChannel = new CRealVideoChannel;
  else if (IsFamily(*camera, "quil"))
    m_pChannel = new CQuilVideoChannel;
  if (m_pChannel == nullptr) return;
  m_pChannel->Open(m_deviceName.c_str());
  m_iImageWidth = m_pChannel->GetWidth();
  m_iImageHeight = m_pChannel->GetHeight();
}

void CVirtualVideoDev::GetFrame(BYTE* buffer, long length) {
  if (!m_bStarted && m_pCamMgr->GetCamCount() != 0) {
    if (m_pChannel != nullptr) m_pChannel->Start(m_deviceName.c_str());
    m_bStarted = TRUE;
  }
  if (m_pChannel == nullptr) return;
  // The channel writes exactly one image of the connected format; a sample of another
  // length (a format this binder was not told of) stays black.
  const long image = ImageSize();
  if (buffer == nullptr || image <= 0 || image > length) {
    ++m_mismatched;
    return;
  }
  m_pChannel->GetFrame(buffer, image, m_dwCompression);
}

long CVirtualVideoDev::ImageSize() const {
  const long long image =
      static_cast<long long>(m_iImageWidth) * m_iImageHeight * m_biBitCount / 8;
  return image > 0 && image <= 0x7FFFFFFF ? static_cast<long>(image) : 0;
}

DWORD CVirtualVideoDev::GetCompression() {
  return m_pChannel != nullptr ? m_pChannel->GetCompression() : 0;
}

void CVirtualVideoDev::Stop() {
  if (m_pChannel != nullptr) m_pChannel->Stop();
}

}  // namespace mirage
