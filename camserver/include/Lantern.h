// The camera server's exported interface: virtual cameras published to a rendezvous server.
// Byte strings are in the system's ANSI code page. Functions return 1 done, 0 not found or
// not done, -1 failure (as the handle (void*)-1 for CreateLantern).
#pragma once

#ifdef LANTERN_BUILDING_DLL
#define LANTERN_API __declspec(dllexport)
#else
#define LANTERN_API __declspec(dllimport)
#endif

enum _virtual_camera_type {
  VIRTUAL_CAMERA_NO_SOURCE = 1,  // registers and keeps sessions; sends no video
  VIRTUAL_CAMERA_CAPTURE = 2,    // a local video capture device
  VIRTUAL_CAMERA_SCREEN = 3,     // the central 320 x 240 region of the primary display
};

// The camera handle; the existing one when `name` is already in use; 0 for a capture
// device index out of range; (void*)-1 on any other failure.
LANTERN_API void* CreateLantern(char const* name, int index, char const* localAddress,
                                _virtual_camera_type type);
LANTERN_API int StopVirtualCamera(char const* name);
LANTERN_API int StopVirtualCamera(void* handle);
LANTERN_API int StopVirtualCameraServer();
// Only cameras created afterwards use the new address.
LANTERN_API int SetServerAddres(char const* host, unsigned long port);
LANTERN_API int GetVideoCapCount();
// Copies the display name into `buffer`; returns the friendly name (owned by the library
// until the next enumeration), or null when `index` is out of range.
LANTERN_API char* GetVideoCapName(int index, char* buffer, unsigned size);
// Clears `buffer`; returns the display name (owned by the library), or null.
LANTERN_API char* GetVideoDeviceName(int index, char* buffer, unsigned size);
// 1 while the camera is registered with the rendezvous server.
LANTERN_API int GetVirtualCameraStatus(char const* name);

class LANTERN_API CLantern {
 public:
  CLantern();
  CLantern& operator=(const CLantern& other);

 private:
  int m_nValue;
};
