#include "page_flow.h"

namespace lookout {

void PageFlow::Show(PageId page) {
  m_shown = page;
  if (page != PageId::Load) m_index = static_cast<int>(page);
}

int StartupCheckBits(bool fetchFailed, int lastInline) {
  return (fetchFailed ? kCheckServerFailed : 0) | (lastInline == 0 ? kCheckNoCamera : 0);
}

std::vector<std::wstring> StartupCheckLines(int bits) {
  std::vector<std::wstring> lines;
  if (bits == 0) return lines;
  lines.push_back(L"检测结果:");
  if (bits & kCheckServerFailed) lines.push_back(L" 检测到连接警示器服务器失败");
  if (bits & kCheckNoCamera) lines.push_back(L" 检测到系统没有安装摄像头, 或摄像头驱动安装失败");
  return lines;
}

std::wstring CameraInUseText(const std::wstring& program) {
  return L"关闭该程序, 然后再启动警示器 使用程序: " + program;
}

std::wstring VersionText(const std::wstring& version) { return L"当前版本: " + version; }

bool Countdown::Tick() {
  if (m_left <= 0) return false;
  --m_left;
  return m_left > 0;
}

std::wstring SecondsText(int seconds) { return std::to_wstring(seconds) + L"秒"; }
std::wstring WaitText(int seconds) { return L"倒计时: " + std::to_wstring(seconds) + L"秒"; }

}  // namespace lookout
