// The LAN search in "quil" mode: one thread that broadcasts the request every 3 s, takes
// the answers into the camera list and ages silent cameras every 5 s. It ends when asked
// to, or when its socket cannot be made or fails a wait or a receive.
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <memory>
#include <vector>

#include "Rookery.h"
#include "address_table.h"
#include "rookery_state.h"
#include "search_protocol.h"
#include "search_socket.h"

using namespace camshare;
using namespace camshare::win;

bool CamSearchMgr::SearchCam(const wchar_t* mode) {
  NoThrow(0, [&] {
    if (mode != nullptr && std::wcscmp(mode, L"quil") == 0) {
      // The thread keeps the library loaded while it runs, so a FreeLibrary without
      // ReleaseInstance cannot unmap code it is running.
      HMODULE reference = ReferenceCodeModule();
      m_hSearchThread = CreateThread(nullptr, 0, &CamSearchMgr::SerachQuilThreadProc, this, 0,
                                     &m_dwSearchThreadId);
      if (m_hSearchThread == nullptr && reference != nullptr) FreeLibrary(reference);
    } else if (mode == nullptr) {
      LoadMonitorGWConfig(OwnModule());
    }
    LoadCameraDll(OwnModule());
    return 0;
  });
  if (m_hEvent != nullptr) SetEvent(m_hEvent);
  return true;
}

void CamSearchMgr::OnSearchCamQuil(tag_Search_Camera* answer) {
  if (answer == nullptr) return;
  std::unique_ptr<tag_Search_Camera> owned(answer);
  NoThrow(0, [&] {
    search::AnswerCamera camera = search::CameraFromAnswer(*answer);
    NewCamera n = camera.View();
    s_searchnotify_new(0, n.name, n.ip, n.mac, n.webport, n.localport, n.submask, n.gateway,
                       n.multiip, n.dns, n.multiport, n.channel, n.cameratype, n.username,
                       n.userpassword);
    return 0;
  });
}

DWORD WINAPI CamSearchMgr::SerachQuilThreadProc(void* param) {
  auto* manager = static_cast<CamSearchMgr*>(param);
  MSG message;
  PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);  // the queue, for WM_QUIT
  try {
    SearchSocket udp;
    if (udp.Open(search::kSearchPort)) {
      std::vector<uint8_t> buffer(search::kReceiveBufferSize);
      const std::vector<uint8_t> request = search::BuildSearchRequest();
      search::SearchSchedule schedule(Ticks());
      std::vector<search::LocalAddress> table;
      for (;;) {
        if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) && message.message == WM_QUIT) break;
        const uint32_t now = Ticks();
        if (schedule.TakeAgeing(now)) manager->CheckTimeLive();
        if (schedule.SendDue(now)) {
          // At boot the search may start before the network is up: a request that cannot
          // go out is tried again at the next period, like a failed receive.
          if (!udp.Broadcast(request.data(), request.size(), search::kSearchPort)) {
            char line[80];
            std::snprintf(line, sizeof line, "Rookery: search request not sent (error %d)\n",
                          WSAGetLastError());
            OutputDebugStringA(line);
          }
          schedule.Sent(now);
        }
        int ready = udp.WaitReadable(100);
        if (ready < 0) break;
        if (ready == 0) continue;
        size_t received = 0;
        SearchSocket::Receive r = udp.ReceiveOne(buffer.data(), buffer.size(), &received);
        if (r == SearchSocket::Receive::kFailed) break;
        if (r == SearchSocket::Receive::kSkip) continue;
        auto answer = std::make_unique<tag_Search_Camera>();
        bool tableRead = ReadLocalAddresses(&table);
        if (search::AcceptAnswer(buffer.data(), received, Codec(), tableRead ? &table : nullptr,
                                 answer.get())) {
          manager->OnSearchCamQuil(answer.release());
        }
      }
    }
  } catch (...) {
    // Out of memory: the search ends, as on a socket failure.
  }
  FreeLibraryAndExitThread(CodeModule(), 0);
  return 0;
}
