#include "tray_menu_model.h"

namespace lookout {

MenuItemLook TrayItemLook(int command, const TrayMenuState& state) {
  MenuItemLook look;
  if (command == cmd::kStartService || command == cmd::kStopService) {
    look.handled = true;
    look.enabled = (command == cmd::kStartService) != state.published;
  } else if (command >= kCameraCommandFirst && command <= kCameraCommandFirst - 1 + state.lastInline &&
             command < kCameraCommandFirst + kCameraCommandCount) {
    look.handled = true;
    look.radio = true;
    look.checked = command == state.selectedCommand;
  } else if (command >= cmd::kIpCameraFirst && command <= cmd::kIpCameraLast) {
    size_t index = static_cast<size_t>(command - cmd::kIpCameraFirst);
    look.handled = true;
    look.checked = index < state.ipCameraInUse.size() && state.ipCameraInUse[index];
  }
  return look;
}

std::vector<CameraMenuItem> IpCameraItems(const std::vector<IpCameraName>& cameras) {
  std::vector<CameraMenuItem> items;
  for (size_t i = 0; i < cameras.size() && cmd::kIpCameraFirst + static_cast<int>(i) <= cmd::kIpCameraLast; ++i) {
    std::wstring text = cameras[i].name.empty() ? cameras[i].address : cameras[i].name;
    if (!cameras[i].name.empty() && !cameras[i].address.empty()) text += L" (" + cameras[i].address + L")";
    items.push_back({cmd::kIpCameraFirst + static_cast<int>(i), text});
  }
  return items;
}

}  // namespace lookout
