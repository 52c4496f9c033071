// A private copy of Lookout.exe with the libraries, skin package and control skin it needs,
// its settings file pointing "ServerURL" at the stand-in web platform, and the checks that
// keep it off any real network.
#pragma once

#include <string>

namespace lookout::test {

// Empty when this run is inside the network namespace that scripts/netns-run.sh makes
// (LOOKOUT_NETNS set, nothing but loopback and the test subnet visible); else the reason
// Lookout must not be started.
std::string TestNetworkProblem();

class LookoutCopy {
 public:
  // Copies the program beside this test into a fresh temporary folder.
  explicit LookoutCopy(const std::wstring& name);
  const std::wstring& Folder() const { return m_folder; }
  std::wstring Exe() const { return m_folder + L"Lookout.exe"; }
  std::wstring Settings() const { return m_folder + L"Lookout.ini"; }
  std::wstring Report() const { return m_folder + L"Lookout.RPT"; }
  // Writes "ServerURL" (host[:port]) before the program first starts.
  void PointAt(const std::string& host);
  bool Ready() const { return m_ready; }

 private:
  std::wstring m_folder;
  bool m_ready = false;
};

// The per-process skin folders Lookout uses.
std::wstring SkinTempFolder(unsigned long processId);

}  // namespace lookout::test
