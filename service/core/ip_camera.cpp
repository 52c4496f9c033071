#include "ip_camera.h"

#include "tray_menu_model.h"

namespace lookout {

std::wstring P2pCheckUrl(const IpCameraRecord& camera) {
  return L"HTTP://" + camera.ip + L":" + std::to_wstring(camera.webport) + L"/get_p2p.cgi?&user=" +
         camera.username + L"&pwd=" + camera.userpassword;
}

bool P2pCheckPassed(const HttpAnswer& answer) {
  return answer.ok && !answer.internetError && answer.text.find(L"401 Unauthorized") == std::wstring::npos;
}

std::wstring MiragePath(const std::wstring& programFolder) { return programFolder + L"Mirage.ax"; }

std::vector<std::wstring> MirageRegistrationCommands(const std::wstring& miragePath) {
  // A path with a blank ("Program Files") would reach regsvr32 as two words.
  std::wstring path = miragePath.find(L' ') == std::wstring::npos ? miragePath : L"\"" + miragePath + L"\"";
  return {L"regsvr32 -u -s " + path, L"regsvr32 -s " + path};
}

void ChooseIpCamera(int command, IpCameraList& cameras, PlatformTransport& transport, IpCameraUi& ui,
                    const std::wstring& programFolder) {
  if (command < cmd::kIpCameraFirst || command > cmd::kIpCameraLast) return;
  unsigned n = static_cast<unsigned>(command - cmd::kIpCameraFirst);
  unsigned count = cameras.Count();
  for (unsigned j = 0; j < count; ++j)
    if (j != n) cameras.RemoveFromUsing(cameras.CameraString(j));
  if (n < count && cameras.IsUsing(cameras.CameraString(n))) return;

  IpCameraRecord record;
  if (cameras.Record(n, &record)) {
    std::wstring user = record.username, password = record.userpassword;
    if (ui.RunLoginDialog(&user, &password)) {
      cameras.StoreCredentials(n, user, password);
      cameras.Record(n, &record);
      if (P2pCheckPassed(transport.Get(P2pCheckUrl(record)))) {
        cameras.AddToUsing(cameras.CameraString(n));
      } else {
        ui.ShowTimedMessage(L"用户名密码错误，认证不通过!", 0, kMessageTime);
      }
    }
  }
  // In turn: an unregistration that ended after the registration would leave no device.
  ui.RunHiddenInTurn(MirageRegistrationCommands(MiragePath(programFolder)));
}

}  // namespace lookout
