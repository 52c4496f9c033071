#include "lookout_copy.h"

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <cstdlib>
#include <cstdio>
#include <vector>

#include "child_process.h"

namespace lookout::test {

std::string TestNetworkProblem() {
  const char* ns = std::getenv("LOOKOUT_NETNS");
  if (ns == nullptr || *ns == '\0') return "LOOKOUT_NETNS is not set: run through scripts/netns-run.sh";
  ULONG size = 0;
  GetIpAddrTable(nullptr, &size, FALSE);
  std::vector<unsigned char> buffer(size + sizeof(MIB_IPADDRTABLE));
  auto* table = reinterpret_cast<MIB_IPADDRTABLE*>(buffer.data());
  size = static_cast<ULONG>(buffer.size());
  if (GetIpAddrTable(table, &size, FALSE) != NO_ERROR) return "cannot read the address table";
  for (DWORD i = 0; i < table->dwNumEntries; ++i) {
    unsigned long a = ntohl(table->table[i].dwAddr);
    if ((a >> 24) != 127 && (a >> 8) != 0x0AD507) return "an address outside loopback and the test subnet is visible";
  }
  return std::string();
}

LookoutCopy::LookoutCopy(const std::wstring& name) : m_folder(FreshTempFolder(L"lookout-" + name)) {
  std::wstring from = TestProgramFolder();
  m_ready = true;
  for (const wchar_t* file : {L"Lookout.exe", L"Veneer.dll", L"Lantern.dll", L"Tremor.dll", L"Rookery.dll"})
    m_ready &= CopyInto(from + file, m_folder);
  m_ready &= CopyTree(from + L"ZOSkin", m_folder + L"ZOSkin");
  m_ready &= CopyTree(from + L"default_skin", m_folder + L"default_skin");
}

void LookoutCopy::PointAt(const std::string& host) {
  std::wstring wide(host.begin(), host.end());
  WritePrivateProfileStringW(L"MAIN", L"ServerURL", wide.c_str(), Settings().c_str());
}

std::wstring SkinTempFolder(unsigned long processId) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  wchar_t name[32];
  swprintf(name, 32, L"vskn%lX\\", processId);
  return std::wstring(temp) + name;
}

}  // namespace lookout::test
