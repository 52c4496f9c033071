// Stands in for the service program until it exists: publishes one virtual camera through
// Lantern.dll (imported at load time, as the service does) and reports its status.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Lantern.h"

namespace {

void Usage() {
  std::fprintf(stderr,
               "usage: lookout_host --server HOST:PORT --name CAMERA [--type 1|2|3] [--device N]\n"
               "                    [--device-name FRIENDLY] [--local-address A.B.C.D] [--seconds N]\n"
               "                    [--list-devices]\n");
}

}  // namespace

int main(int argc, char** argv) {
  std::string server, name, localAddress, deviceName;
  int type = 2, device = 0, seconds = 10;
  bool listOnly = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : ""; };
    if (arg == "--server") server = next();
    else if (arg == "--name") name = next();
    else if (arg == "--type") type = std::atoi(next());
    else if (arg == "--device") device = std::atoi(next());
    else if (arg == "--device-name") deviceName = next();
    else if (arg == "--local-address") localAddress = next();
    else if (arg == "--seconds") seconds = std::atoi(next());
    else if (arg == "--list-devices") listOnly = true;
    else { Usage(); return 2; }
  }
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);

  int count = GetVideoCapCount();
  std::printf("capture devices: %d\n", count);
  for (int i = 0; i < count; ++i) {
    char display[260] = {};
    const char* friendly = GetVideoCapName(i, display, sizeof display);
    if (friendly) std::printf("  [%d] %s | %s\n", i, friendly, display);
    if (friendly && !deviceName.empty() && deviceName == friendly) device = i;
  }
  if (listOnly) return 0;

  size_t colon = server.rfind(':');
  if (name.empty() || colon == std::string::npos || seconds <= 0 || seconds > 3600) {
    Usage();
    return 2;
  }
  std::string host = server.substr(0, colon);
  unsigned long port = std::strtoul(server.c_str() + colon + 1, nullptr, 10);
  SetServerAddres(host.c_str(), port);

  void* camera = CreateLantern(name.c_str(), device, localAddress.empty() ? nullptr : localAddress.c_str(),
                               static_cast<_virtual_camera_type>(type));
  if (camera == nullptr || camera == reinterpret_cast<void*>(-1)) {
    std::printf("CreateLantern failed: %s\n", camera ? "-1" : "0 (device index out of range)");
    StopVirtualCameraServer();
    return 1;
  }
  std::printf("camera %s published (type %d)\n", name.c_str(), type);
  std::fflush(stdout);

  int lastStatus = -1;
  for (int tick = 0; tick < seconds * 10; ++tick) {
    int status = GetVirtualCameraStatus(name.c_str());
    if (status != lastStatus) {
      std::printf("status %d\n", status);
      std::fflush(stdout);
      lastStatus = status;
    }
    Sleep(100);
  }
  StopVirtualCamera(name.c_str());
  StopVirtualCameraServer();
  std::printf("stopped\n");
  CoUninitialize();
  return 0;
}
