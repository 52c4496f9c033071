// CamSearchMgr: the camera list, the in-use set, "DoderadIrava.ini", lifetime and copies.
#include <cwchar>
#include <string>
#include <vector>

#include "Rookery.h"
#include "camera_config.h"
#include "camera_record.h"
#include "profile_file.h"
#include "rookery_state.h"

using namespace camshare;
using namespace camshare::win;

std::list<CAMLIST_ITEM*> CamSearchMgr::m_listCamer;
std::list<CameraDllInstance> CamSearchMgr::m_dllInstanceMap;
HANDLE CamSearchMgr::m_hEvent = nullptr;

CamSearchMgr::CamSearchMgr(const wchar_t* mode)
    : m_hWndNotify(nullptr),
      m_uNotifyMsg(0),
      m_pMode(mode),
      m_hSearchThread(nullptr),
      m_dwSearchThreadId(0) {
  InitializeCriticalSection(&m_csUsing);
  // The singleton first: loading the plug-ins looks for the manager.
  Singleton() = this;
  m_hEvent = CreateEventW(nullptr, TRUE, FALSE, L"CamSearchResult");
  SearchCam(mode);  // never throws: the singleton must not point at a half-made manager
}

CamSearchMgr::CamSearchMgr(const CamSearchMgr& other)
    : m_hWndNotify(nullptr),
      m_uNotifyMsg(0),
      m_pMode(other.m_pMode),
      m_hSearchThread(nullptr),
      m_dwSearchThreadId(0) {
  InitializeCriticalSection(&m_csUsing);
  {
    LockGuard guard(ListLock());
    m_hWndNotify = other.m_hWndNotify;
    m_uNotifyMsg = other.m_uNotifyMsg;
  }
  SectionGuard guard(const_cast<CRITICAL_SECTION&>(other.m_csUsing));
  m_listUsing = other.m_listUsing;
}

CamSearchMgr& CamSearchMgr::operator=(const CamSearchMgr& other) {
  if (this == &other) return *this;
  // One in-use lock at a time, so that two opposite assignments cannot deadlock.
  std::list<CAMLIST_ITEM*> copy;
  {
    SectionGuard guard(const_cast<CRITICAL_SECTION&>(other.m_csUsing));
    copy = other.m_listUsing;
  }
  {
    LockGuard guard(ListLock());
    m_hWndNotify = other.m_hWndNotify;
    m_uNotifyMsg = other.m_uNotifyMsg;
  }
  m_pMode = other.m_pMode;
  SectionGuard guard(m_csUsing);
  m_listUsing.swap(copy);
  return *this;
}

CamSearchMgr::~CamSearchMgr() {
  // Only the live manager owns the event and the plug-ins; a copy owns its set and lock.
  const bool live = Singleton() == this;
  if (live && m_hEvent != nullptr) {
    CloseHandle(m_hEvent);
    m_hEvent = nullptr;
  }
  if (m_hSearchThread != nullptr) {
    // A WM_QUIT posted before the thread has its queue is lost: post again until it ends.
    PostThreadMessageW(m_dwSearchThreadId, WM_QUIT, 0, 0);
    while (WaitForSingleObject(m_hSearchThread, 50) == WAIT_TIMEOUT) {
      PostThreadMessageW(m_dwSearchThreadId, WM_QUIT, 0, 0);
    }
    CloseHandle(m_hSearchThread);
    m_hSearchThread = nullptr;
  }
  if (live) ReleaseCameraDll();
  {
    SectionGuard guard(m_csUsing);
    m_listUsing.clear();
  }
  DeleteCriticalSection(&m_csUsing);
  if (live) {
    Singleton() = nullptr;
    ModeBuffer()[0] = L'\0';  // a later manager starts from its own mode
  }
}

int CamSearchMgr::SetWndNotify(HWND window, UINT message) {
  LockGuard guard(ListLock());
  m_hWndNotify = window;
  m_uNotifyMsg = message;
  return 1;
}

unsigned CamSearchMgr::GetCamCount() {
  LockGuard guard(ListLock());
  return static_cast<unsigned>(m_listCamer.size());
}

CAMLIST_ITEM* CamSearchMgr::GetCamInfo(unsigned index) {
  LockGuard guard(ListLock());
  return RecordAt(m_listCamer, index);
}

const wchar_t* CamSearchMgr::GetCamStringInfo(unsigned index) { return GetCamStringInfo(GetCamInfo(index)); }

const wchar_t* CamSearchMgr::GetCamStringInfo(CAMLIST_ITEM* item) {
  return NoThrow(static_cast<const wchar_t*>(nullptr), [&]() -> const wchar_t* {
    if (item == nullptr) return nullptr;
    std::wstring s = CameraString(*item, Codec());
    if (s.size() >= kPathCapacity) s.resize(kPathCapacity - 1);
    wchar_t* buffer = CameraStringBuffer();
    std::wmemcpy(buffer, s.c_str(), s.size() + 1);
    return buffer;
  });
}

CAMLIST_ITEM* CamSearchMgr::GetCamInfoFromString(const wchar_t* cameraString) {
  return NoThrow(static_cast<CAMLIST_ITEM*>(nullptr), [&] {
    LockGuard guard(ListLock());
    return FindByCameraString(m_listCamer, cameraString, Codec());
  });
}

unsigned CamSearchMgr::GetCamIndex(CAMLIST_ITEM* item) {
  return NoThrow(static_cast<unsigned>(-1), [&] {
    LockGuard guard(ListLock());
    return IndexOf(m_listCamer, item);
  });
}

bool CamSearchMgr::AddCamToUsing(const wchar_t* cameraString, bool save) {
  return NoThrow(false, [&] {
    CAMLIST_ITEM* record = GetCamInfoFromString(cameraString);
    if (record == nullptr) return false;
    SectionGuard guard(m_csUsing);
    AddUsing(m_listUsing, record);
    if (save) SaveMonitorGWConfig();
    return true;
  });
}

bool CamSearchMgr::RemoveCamFromUsing(const wchar_t* cameraString, bool save) {
  return NoThrow(false, [&] {
    CAMLIST_ITEM* record = GetCamInfoFromString(cameraString);
    if (record == nullptr) return false;
    SectionGuard guard(m_csUsing);
    bool removed = RemoveFirstUsing(m_listUsing, record);
    if (removed && save) SaveMonitorGWConfig();
    return removed;
  });
}

bool CamSearchMgr::IsCamIsUsing(const wchar_t* cameraString) {
  return NoThrow(false, [&] {
    CAMLIST_ITEM* record = GetCamInfoFromString(cameraString);
    if (record == nullptr) return false;
    SectionGuard guard(m_csUsing);
    return ContainsUsing(m_listUsing, record);
  });
}

const wchar_t* CamSearchMgr::GetMonitorGWConfigFile(HMODULE module) {
  return PathBesideModule(module, kConfigFileName, ConfigPathBuffer());
}

int CamSearchMgr::LoadMonitorGWConfig(HMODULE module) {
  class ListSink : public ConfigSink {
   public:
    explicit ListSink(CamSearchMgr* manager) : manager_(manager) {}
    void Insert(const NewCamera& c) override {
      manager_->s_searchnotify_new(0, c.name, c.ip, c.mac, c.webport, c.localport, c.submask,
                                   c.gateway, c.multiip, c.dns, c.multiport, c.channel,
                                   c.cameratype, c.username, c.userpassword);
    }
    CAMLIST_ITEM* Find(const std::wstring& cameraString) override {
      return manager_->GetCamInfoFromString(cameraString.c_str());
    }
    void AddToUsing(const std::wstring& cameraString) override {
      manager_->AddCamToUsing(cameraString.c_str(), false);
    }

   private:
    CamSearchMgr* manager_;
  };
  return NoThrow(1, [&] {
    ProfileFile file(GetMonitorGWConfigFile(module));
    std::vector<ConfigCamera> cameras = ReadCameraSections(file);
    ListSink sink(this);
    ApplyConfig(cameras, ModeBuffer(), sink, Codec());
    return 1;
  });
}

int CamSearchMgr::SaveMonitorGWConfig() {
  return NoThrow(1, [&] {
    SectionGuard guard(m_csUsing);  // callers hold it already; the section is recursive
    std::vector<const CAMLIST_ITEM*> set(m_listUsing.begin(), m_listUsing.end());
    ProfileFile file(GetMonitorGWConfigFile(OwnModule()));
    SaveUsing(file, set, Codec());
    return 1;
  });
}

void CamSearchMgr::s_searchnotify_new(int, const char* name, const char* ip,
                                      const unsigned char* mac, uint16_t webport,
                                      uint16_t localport, const char* submask, const char* gateway,
                                      const char* multiip, const char* dns, uint16_t multiport,
                                      int channel, const char* cameratype, const char* username,
                                      const char* userpassword) {
  NewCamera n;
  n.name = name;
  n.ip = ip;
  n.mac = mac;
  n.webport = webport;
  n.localport = localport;
  n.submask = submask;
  n.gateway = gateway;
  n.multiip = multiip;
  n.dns = dns;
  n.multiport = multiport;
  n.channel = channel;
  n.cameratype = cameratype;
  n.username = username;
  n.userpassword = userpassword;
  NoThrow(0, [&] {
    LockGuard guard(ListLock());
    InsertResult r = InsertOrRefresh(m_listCamer, n, Ticks(), Codec());
    if (r.inserted && m_hWndNotify != nullptr) PostMessageW(m_hWndNotify, m_uNotifyMsg, 0, 0);
    return 0;
  });
}

void CamSearchMgr::CheckTimeLive() {
  NoThrow(0, [&] {
    LockGuard guard(ListLock());
    std::vector<CAMLIST_ITEM*> removed = AgeOut(m_listCamer, Ticks());
    for (size_t i = 0; i < removed.size() && m_hWndNotify != nullptr; ++i) {
      PostMessageW(m_hWndNotify, m_uNotifyMsg, 0, 0);
    }
    return 0;
  });
}
