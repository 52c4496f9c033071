// Rookery.dll: the process-wide camera registry. The IP-camera list with its configuration
// file, the LAN search, the camera-handle plug-in loader, play handles, event callbacks,
// PTZ and motion parameters. Wide text is UTF-16; records hold ANSI text.
// Results: -1 for no handle, 1/0 for done/not done.
#pragma once

#include <windows.h>

#include <list>

#include "CamShare.h"

#ifdef ROOKERY_BUILDING_DLL
#define ROOKERY_API __declspec(dllexport)
#elif defined(ROOKERY_STATIC)
#define ROOKERY_API
#else
#define ROOKERY_API __declspec(dllimport)
#endif

struct tag_Search_Camera;

// One loaded plug-in.
struct CameraDllInstance {
  char name[20];  // camera family word
  HMODULE module;
  CreateKVCameraHandleObjectProc factory;
};

class ROOKERY_API CamSearchMgr {
 public:
  // The manager, made on the first call: mode L"quil" searches the LAN, null reads
  // "DoderadIrava.ini". The mode of later calls is ignored.
  static CamSearchMgr* GetInstance(const wchar_t* mode);
  static void ReleaseInstance();

  // A copy has its own in-use lock and set and no search thread.
  CamSearchMgr(const CamSearchMgr& other);
  CamSearchMgr& operator=(const CamSearchMgr& other);
  virtual ~CamSearchMgr();

  // Each new camera and each camera aged out posts `message` (0, 0) to `window`.
  int SetWndNotify(HWND window, UINT message);

  unsigned GetCamCount();
  CAMLIST_ITEM* GetCamInfo(unsigned index);
  // Camera strings live in one process-wide buffer that the next call overwrites.
  const wchar_t* GetCamStringInfo(unsigned index);
  const wchar_t* GetCamStringInfo(CAMLIST_ITEM* item);
  CAMLIST_ITEM* GetCamInfoFromString(const wchar_t* cameraString);
  unsigned GetCamIndex(CAMLIST_ITEM* item);

  bool AddCamToUsing(const wchar_t* cameraString, bool save);
  bool RemoveCamFromUsing(const wchar_t* cameraString, bool save);
  bool IsCamIsUsing(const wchar_t* cameraString);

  int LoadMonitorGWConfig(HMODULE module);

  bool SearchCam(const wchar_t* mode);
  void OnSearchCamQuil(tag_Search_Camera* answer);
  static DWORD WINAPI SerachQuilThreadProc(void* manager);

  static CameraDllInstance* FindCameraInstance(char* type);

  static std::list<CAMLIST_ITEM*> m_listCamer;
  static std::list<CameraDllInstance> m_dllInstanceMap;
  static HANDLE m_hEvent;

 protected:
  explicit CamSearchMgr(const wchar_t* mode);

  int SaveMonitorGWConfig();
  const wchar_t* GetMonitorGWConfigFile(HMODULE module);
  void CheckTimeLive();
  void s_searchnotify_new(int unused, const char* name, const char* ip, const unsigned char* mac,
                          uint16_t webport, uint16_t localport, const char* submask,
                          const char* gateway, const char* multiip, const char* dns,
                          uint16_t multiport, int channel, const char* cameratype,
                          const char* username, const char* userpassword);
  int LoadCameraDll(HMODULE module);
  int ReleaseCameraDll();
  const wchar_t* GetDllFullPath(HMODULE module, const wchar_t* fileName);

  HWND m_hWndNotify;
  UINT m_uNotifyMsg;
  CRITICAL_SECTION m_csUsing;
  const wchar_t* m_pMode;
  std::list<CAMLIST_ITEM*> m_listUsing;
  HANDLE m_hSearchThread;
  DWORD m_dwSearchThreadId;
};

// The camera's play handle, made and opened on first use; -1 without camera or plug-in.
ROOKERY_API long GetRookeryHandle(const wchar_t* cameraString);
ROOKERY_API long GetCameraRealHandle(long playHandle);
ROOKERY_API void ReStartPlay(const wchar_t* cameraString);
// Closes the camera's handle; the play handle stays valid.
ROOKERY_API void StopCameraPlay(const wchar_t* cameraString);
// Destroys every play handle.
ROOKERY_API void StopCameraPlay();
ROOKERY_API int AddRookeryCallBack(CameraEventCallBack callback, void* user);
ROOKERY_API int RemoveRookeryCallBack(CameraEventCallBack callback, void* user);
ROOKERY_API int KV_VSNET_ClientPTZCtrl(long playHandle, int command, int param, int reserved,
                                       char* data, int length);
ROOKERY_API int CS_VSNET_ClientGetMotionPara(char* cameraType, char* name, char* ip, char channel,
                                             char* user, char* password, KV_CHANNMOTION* out,
                                             uint16_t port);
ROOKERY_API int CS_VSNET_ClientSetMotionPara(char* cameraType, char* name, char* ip, char channel,
                                             char* user, char* password, KV_CHANNMOTION* in,
                                             uint16_t port);
