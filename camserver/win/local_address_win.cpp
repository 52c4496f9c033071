#include "local_address_win.h"

#include <windows.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>

#include <cstdio>
#include <vector>

#include "local_address.h"
#include "net_address.h"

namespace lantern {

namespace {

static_assert(sizeof(INTERFACE_INFO) == 76, "interface list entry layout");
static_assert(kIfUp == IFF_UP && kIfBroadcast == IFF_BROADCAST && kIfLoopback == IFF_LOOPBACK &&
                  kIfPointToPoint == IFF_POINTTOPOINT && kIfMulticast == IFF_MULTICAST,
              "interface flag values");

constexpr size_t kInterfaceListEntries = 10;
constexpr size_t kInterfaceListMaxEntries = 160;

void CopyText(char* text, size_t size, const std::string& value) {
  if (text == nullptr || size == 0) return;
  std::snprintf(text, size, "%s", value.c_str());
}

std::vector<LocalInterface> InterfaceList(SOCKET s) {
  std::vector<LocalInterface> result;
  // Room for ten interfaces first; more only on a machine that has more.
  for (size_t entries = kInterfaceListEntries; entries <= kInterfaceListMaxEntries; entries *= 2) {
    std::vector<INTERFACE_INFO> list(entries);
    DWORD bytes = 0;
    if (WSAIoctl(s, SIO_GET_INTERFACE_LIST, nullptr, 0, list.data(),
                 static_cast<DWORD>(list.size() * sizeof(INTERFACE_INFO)), &bytes, nullptr,
                 nullptr) != 0) {
      if (WSAGetLastError() == WSAEFAULT) continue;
      return result;
    }
    const size_t count = bytes / sizeof(INTERFACE_INFO);
    for (size_t i = 0; i < count && i < list.size(); ++i) {
      LocalInterface entry;
      entry.flags = list[i].iiFlags;
      entry.address = ntohl(list[i].iiAddress.AddressIn.sin_addr.s_addr);
      entry.mask = ntohl(list[i].iiNetmask.AddressIn.sin_addr.s_addr);
      result.push_back(entry);
    }
    return result;
  }
  return result;
}

using GetAdaptersInfoFn = DWORD(WINAPI*)(PIP_ADAPTER_INFO, PULONG);

std::vector<std::string> AdapterGateways() {
  std::vector<std::string> gateways;
  HMODULE iphlpapi = LoadLibraryA("Iphlpapi.dll");
  if (iphlpapi == nullptr) return gateways;
  auto get_adapters =
      reinterpret_cast<GetAdaptersInfoFn>(reinterpret_cast<void*>(GetProcAddress(iphlpapi, "GetAdaptersInfo")));
  if (get_adapters != nullptr) {
    ULONG size = 16 * sizeof(IP_ADAPTER_INFO);
    std::vector<unsigned char> buffer;
    DWORD status = ERROR_BUFFER_OVERFLOW;
    // The list can grow between the size query and the read: retry a few times.
    for (int attempt = 0; attempt < 4 && status == ERROR_BUFFER_OVERFLOW; ++attempt) {
      buffer.assign(size, 0);
      status = get_adapters(reinterpret_cast<PIP_ADAPTER_INFO>(buffer.data()), &size);
    }
    if (status == NO_ERROR) {
      for (auto* a = reinterpret_cast<const IP_ADAPTER_INFO*>(buffer.data()); a != nullptr;
           a = a->Next) {
        const char* gateway = a->GatewayList.IpAddress.String;
        gateways.emplace_back(gateway, strnlen(gateway, sizeof a->GatewayList.IpAddress.String));
      }
    }
  }
  FreeLibrary(iphlpapi);
  return gateways;
}

}  // namespace

void GetLocalAddress(SOCKET s, char* text, size_t size, uint32_t* port, const char* reference) {
  CopyText(text, size, std::string());
  if (port != nullptr) *port = 0;

  sockaddr_in local{};
  int length = sizeof local;
  if (getsockname(s, reinterpret_cast<sockaddr*>(&local), &length) != 0) return;
  if (port != nullptr) *port = ntohs(local.sin_port);

  NetAddress address;
  address.ip = ntohl(local.sin_addr.s_addr);
  if (address.ip != INADDR_ANY) {
    CopyText(text, size, address.IpText());
    return;
  }

  std::optional<uint32_t> chosen;
  if (reference == nullptr) {
    chosen = ChooseFallbackAddress(InterfaceList(s));
  } else {
    uint32_t reference_ip = 0;
    if (!ParseDottedIp(reference, &reference_ip)) return;
    chosen = ChooseLocalAddress(InterfaceList(s), reference_ip);
  }
  if (!chosen) return;
  address.ip = *chosen;
  CopyText(text, size, address.IpText());
}

bool FindRegistrationReference(const char* hint, std::string* reference) {
  std::optional<std::string> chosen;
  if (hint != nullptr && hint[0] != '\0') {
    chosen = ChooseRegistrationReference(hint, {});
  } else {
    chosen = ChooseRegistrationReference(hint, AdapterGateways());
  }
  if (!chosen) return false;
  if (reference != nullptr) *reference = *chosen;
  return true;
}

}  // namespace lantern
