// The ordinals of NetClient.dll as the stand-in answers them, and its test controls.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <map>
#include <string>

#include "netclient_standin.h"
#include "standin_connection.h"

using netclient_standin::Connection;

namespace {

constexpr long kFirstHandle = 3001;

struct Switches {
  int configure = 1;
  int unreachable = 0;
  int sizeCode = 1;
  int fps = 25;
};

// Everything below. Never held while a connection's lock is taken: a connection's thread
// holds its own lock while it calls back into the library.
CRITICAL_SECTION g_lock;
Switches g_switches;
std::string g_log;
std::string g_logFile;
std::map<long, Connection*> g_connections;
long g_nextHandle = kFirstHandle;
unsigned char g_lastRecord[sizeof(NETCLIENT_CONNECT_INFO)];
char g_lastTexts[3 * kNetClientTextBlock];
bool g_haveRecord = false;
KV_CHANNMOTION g_motion;

class Locked {
 public:
  Locked() { EnterCriticalSection(&g_lock); }
  ~Locked() { LeaveCriticalSection(&g_lock); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;
};

std::string Text(const char* s) { return s == nullptr ? "(null)" : std::string(s); }
std::string Num(long long v) { return std::to_string(v); }
std::string Ptr(const void* p) { return p == nullptr ? "0" : "ptr"; }

// One line: "<ordinal>(<arguments>)=<result>".
template <typename T>
T Logged(int ordinal, const std::string& arguments, T result) {
  std::string line = std::to_string(ordinal) + "(" + arguments + ")=" + std::to_string(result) + "\n";
  Locked guard;
  g_log += line;
  if (!g_logFile.empty()) {
    if (FILE* f = std::fopen(g_logFile.c_str(), "ab")) {
      std::fwrite(line.data(), 1, line.size(), f);
      std::fclose(f);
    }
  }
  return result;
}

int* SwitchNamed(const char* name) {
  if (name == nullptr) return nullptr;
  if (std::strcmp(name, "configure") == 0) return &g_switches.configure;
  if (std::strcmp(name, "unreachable") == 0) return &g_switches.unreachable;
  if (std::strcmp(name, "size_code") == 0) return &g_switches.sizeCode;
  if (std::strcmp(name, "fps") == 0) return &g_switches.fps;
  return nullptr;
}

void ReadEnvironment() {
  char value[512];
  DWORD n = GetEnvironmentVariableA("NETCLIENT_STANDIN", value, sizeof value);
  if (n > 0 && n < sizeof value) {
    std::string all = value;
    size_t start = 0;
    while (start < all.size()) {
      size_t end = all.find(',', start);
      if (end == std::string::npos) end = all.size();
      std::string pair = all.substr(start, end - start);
      size_t eq = pair.find('=');
      if (eq != std::string::npos) {
        if (int* s = SwitchNamed(pair.substr(0, eq).c_str())) *s = std::atoi(pair.c_str() + eq + 1);
      }
      start = end + 1;
    }
  }
  n = GetEnvironmentVariableA("NETCLIENT_STANDIN_LOG", value, sizeof value);
  if (n > 0 && n < sizeof value) g_logFile = value;
}

Connection* Find(long handle) {
  auto it = g_connections.find(handle);
  return it == g_connections.end() ? nullptr : it->second;
}

bool Known(long handle) {
  Locked guard;
  return Find(handle) != nullptr;
}

bool Reachable() {
  Locked guard;
  return g_switches.unreachable == 0;
}

void CopyBlock(char* out, const char* text) {
  std::memset(out, 0, kNetClientTextBlock);
  if (text != nullptr) std::memcpy(out, text, kNetClientTextBlock);  // the caller's blocks are 40 bytes
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    DisableThreadLibraryCalls(instance);
    InitializeCriticalSection(&g_lock);
    std::memset(&g_motion, 0, sizeof g_motion);
    g_motion.motionArmed = 1;
    ReadEnvironment();
  } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
    // The connections' threads hold the library while they run, so none is left here.
    DeleteCriticalSection(&g_lock);
  }
  return TRUE;
}

extern "C" {

int NETCLIENT_CALL NC_Startup(int a, int b, int c, int d, int e) {
  return Logged(1, Num(a) + "," + Num(b) + "," + Num(c) + "," + Num(d) + "," + Num(e), 1);
}

int NETCLIENT_CALL NC_Configure(int a, int b) {
  int result;
  {
    Locked guard;
    result = g_switches.configure;
  }
  return Logged(3, Num(a) + "," + Num(b), result);
}

int NETCLIENT_CALL NC_Cleanup() {
  // Runs inside its caller's library detach: the threads are told to end, not waited for.
  {
    Locked guard;
    for (auto& entry : g_connections) {
      entry.second->Orphan();
      entry.second->Stop(false);
    }
    g_connections.clear();
  }
  return Logged(4, "", 1);
}

long NETCLIENT_CALL NC_Connect(const char* ip, NETCLIENT_CONNECT_INFO* info, uint16_t port, int reserved) {
  const std::string arguments = Text(ip) + "," + Ptr(info) + "," + Num(port) + "," + Num(reserved);
  if (info == nullptr || ip == nullptr) return Logged(5, arguments, -1L);
  Switches s;
  {
    Locked guard;
    std::memcpy(g_lastRecord, info, sizeof g_lastRecord);
    CopyBlock(g_lastTexts, info->name);
    CopyBlock(g_lastTexts + kNetClientTextBlock, info->userName);
    CopyBlock(g_lastTexts + 2 * kNetClientTextBlock, info->password);
    g_haveRecord = true;
    s = g_switches;
  }
  if (s.unreachable != 0) return Logged(5, arguments, -1L);
  long handle;
  {
    Locked guard;
    handle = g_nextHandle++;
  }
  auto* c = new Connection(handle, info->callback, info->user, s.sizeCode, s.fps);
  if (!c->Start()) {
    delete c;
    return Logged(5, arguments, -1L);
  }
  {
    Locked guard;
    g_connections[handle] = c;
  }
  return Logged(5, arguments, handle);
}

int NETCLIENT_CALL NC_Disconnect(long handle) {
  Connection* c;
  {
    Locked guard;
    c = Find(handle);
    if (c != nullptr) g_connections.erase(handle);
  }
  if (c != nullptr) {
    c->Stop(true);
    if (c->Ended()) {
      delete c;
    } else {
      c->Orphan();  // called from its own thread: it ends after this call
    }
  }
  return Logged(6, Num(handle), c != nullptr ? 1 : 0);
}

int NETCLIENT_CALL NC_StopStream(long handle) { return Logged(8, Num(handle), Known(handle) ? 1 : 0); }

int NETCLIENT_CALL NC_SetPlayWindow(long handle, void* window) {
  Connection* c;
  {
    Locked guard;
    c = Find(handle);
  }
  if (c != nullptr) c->SetWindow(window);
  return Logged(9, Num(handle) + "," + Ptr(window), c != nullptr ? 1 : 0);
}

int NETCLIENT_CALL NC_SetFrameCallBack(long handle, NetClientFrameCallBack callback, void* context) {
  Connection* c;
  {
    Locked guard;
    c = Find(handle);
  }
  // Outside the library lock: the connection's own lock waits for a frame in delivery.
  if (c != nullptr) c->SetFrameCallBack(callback, context);
  return Logged(11, Num(handle) + "," + Ptr(reinterpret_cast<void*>(callback)) + "," + Ptr(context),
                c != nullptr && callback != nullptr ? 1 : 0);
}

int NETCLIENT_CALL NC_PTZControl(long handle, int command, int param, int a, int b, int c) {
  return Logged(20, Num(handle) + "," + Num(command) + "," + Num(param) + "," + Num(a) + "," + Num(b) + "," + Num(c),
                Known(handle) ? 1 : -1);
}

int NETCLIENT_CALL NC_GetStreamInfo(const char* name, const char* ip, int channel, const char* user,
                                    const char* password, void* info, uint16_t port) {
  int result = 0;
  if (info != nullptr && Reachable()) {
    int32_t words[kNetClientStreamInfoSize / 4] = {};
    words[0] = static_cast<int32_t>(kNetClientStreamInfoSize);
    words[1] = 1;  // channels
    Locked guard;
    words[2] = g_switches.fps;
    words[kNetClientStreamSizeWord] = g_switches.sizeCode;
    std::memcpy(info, words, sizeof words);
    result = 1;
  }
  return Logged(41, Text(name) + "," + Text(ip) + "," + Num(channel) + "," + Text(user) + "," + Text(password) + "," +
                        Ptr(info) + "," + Num(port),
                result);
}

int NETCLIENT_CALL NC_GetMotionPara(const char* name, const char* ip, int channel, const char* user,
                                    const char* password, KV_CHANNMOTION* out, uint16_t port) {
  int result = 0;
  if (out != nullptr && Reachable()) {
    Locked guard;
    *out = g_motion;
    result = 1;
  }
  return Logged(45, Text(name) + "," + Text(ip) + "," + Num(channel) + "," + Text(user) + "," + Text(password) + "," +
                        Ptr(out) + "," + Num(port),
                result);
}

int NETCLIENT_CALL NC_SetMotionPara(const char* name, const char* ip, int channel, const char* user,
                                    const char* password, KV_CHANNMOTION* in, uint16_t port) {
  int result = 0;
  if (in != nullptr && Reachable()) {
    Locked guard;
    g_motion = *in;
    result = 1;
  }
  return Logged(46, Text(name) + "," + Text(ip) + "," + Num(channel) + "," + Text(user) + "," + Text(password) + "," +
                        Ptr(in) + "," + Num(port),
                result);
}

int NETCLIENT_CALL NC_StopAll() { return Logged(71, "", 1); }

int NETCLIENT_CALL NC_StopRealPlay(long handle) { return Logged(112, Num(handle), Known(handle) ? 1 : 0); }

int NETCLIENT_CALL NC_StartSession(long handle, int a) {
  return Logged(141, Num(handle) + "," + Num(a), Known(handle) ? 1 : 0);
}

int NETCLIENT_CALL NCS_GetLog(char* buffer, int size) {
  Locked guard;
  if (buffer != nullptr && size > 0) {
    size_t n = std::min(g_log.size(), static_cast<size_t>(size - 1));
    std::memcpy(buffer, g_log.data(), n);
    buffer[n] = '\0';
  }
  return static_cast<int>(g_log.size());
}

void NETCLIENT_CALL NCS_ClearLog() {
  Locked guard;
  g_log.clear();
}

int NETCLIENT_CALL NCS_SetSwitch(const char* name, int value) {
  Locked guard;
  int* s = SwitchNamed(name);
  if (s == nullptr) return 0;
  *s = value;
  return 1;
}

int NETCLIENT_CALL NCS_RaiseEvent(long handle, int event, int value) {
  Locked guard;
  Connection* c = Find(handle);
  if (c == nullptr) return 0;
  c->QueueEvent(event, value);
  return 1;
}

int NETCLIENT_CALL NCS_LastConnectInfo(unsigned char* record, int recordSize, char* texts, int textsSize) {
  Locked guard;
  if (!g_haveRecord) return 0;
  if (record != nullptr && recordSize >= static_cast<int>(sizeof g_lastRecord)) {
    std::memcpy(record, g_lastRecord, sizeof g_lastRecord);
  }
  if (texts != nullptr && textsSize >= static_cast<int>(sizeof g_lastTexts)) {
    std::memcpy(texts, g_lastTexts, sizeof g_lastTexts);
  }
  return static_cast<int>(sizeof g_lastRecord);
}

int NETCLIENT_CALL NCS_FrameCount(long handle) {
  Connection* c;
  {
    Locked guard;
    c = Find(handle);
  }
  return c != nullptr ? c->frames() : -1;
}

}  // extern "C"
