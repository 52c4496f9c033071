#include "address_table.h"

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

namespace camshare::win {

bool ReadLocalAddresses(std::vector<search::LocalAddress>* table) {
  table->clear();
  // The table may grow between asking for its size and reading it: ask again then.
  for (int attempt = 0; attempt < 3; ++attempt) {
    ULONG size = 0;
    DWORD r = GetIpAddrTable(nullptr, &size, FALSE);
    if (r != ERROR_INSUFFICIENT_BUFFER && r != NO_ERROR) return false;
    if (size < sizeof(MIB_IPADDRTABLE)) size = sizeof(MIB_IPADDRTABLE);
    std::vector<unsigned char> buffer(size);
    auto* rows = reinterpret_cast<MIB_IPADDRTABLE*>(buffer.data());
    r = GetIpAddrTable(rows, &size, FALSE);
    if (r == ERROR_INSUFFICIENT_BUFFER) continue;
    if (r != NO_ERROR) return false;
    for (DWORD i = 0; i < rows->dwNumEntries; ++i) {
      table->push_back({ntohl(rows->table[i].dwAddr), ntohl(rows->table[i].dwMask)});
    }
    return true;
  }
  return false;
}

}  // namespace camshare::win
