// The tray menu as the program decides it: the commands, which items are enabled or checked
// before the menu opens, and the IP camera items (commands 150 to 165).
#pragma once

#include <string>
#include <vector>

#include "camera_controller.h"

namespace lookout {

namespace cmd {
constexpr int kIntroduction = 32784;
constexpr int kStartService = 32780;
constexpr int kStopService = 32781;
constexpr int kPlatformLogin = 32782;
constexpr int kAbout = 57664;
constexpr int kExit = 32779;
constexpr int kIpCameraFirst = 150;
constexpr int kIpCameraLast = 165;
}  // namespace cmd

constexpr wchar_t kIpCameraMenuTitle[] = L"网络摄像头";
constexpr wchar_t kNoIpCameraText[] = L"(未发现网络摄像头)";

struct TrayMenuState {
  bool published = false;
  int selectedCommand = 0;
  int lastInline = 0;
  std::vector<bool> ipCameraInUse;  // by camera index (command - 150)
};

struct MenuItemLook {
  bool handled = false;  // false: the item keeps its resource state
  bool enabled = true;
  bool checked = false;
  bool radio = false;
};

// The state handler of one command.
MenuItemLook TrayItemLook(int command, const TrayMenuState& state);

// One item per camera of the registry's list, at most 16: "name (address)".
struct IpCameraName {
  std::wstring name;
  std::wstring address;
};
std::vector<CameraMenuItem> IpCameraItems(const std::vector<IpCameraName>& cameras);

}  // namespace lookout
