// Putting an IP camera of the camera registry in use: its user name and password asked for,
// checked with the camera itself ("get_p2p.cgi"), and the virtual video device registered
// again so that other programs see the camera.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform_client.h"

namespace lookout {

struct IpCameraRecord {
  std::wstring name;
  std::wstring ip;
  uint16_t webport = 0;
  std::wstring username;
  std::wstring userpassword;
};

// The camera registry's list and in-use set.
class IpCameraList {
 public:
  virtual ~IpCameraList() = default;
  virtual unsigned Count() = 0;
  // False when there is no record with this index.
  virtual bool Record(unsigned index, IpCameraRecord* record) = 0;
  // Writes the credentials into the record (at most 19 bytes each in the record's code page).
  virtual void StoreCredentials(unsigned index, const std::wstring& user, const std::wstring& password) = 0;
  virtual std::wstring CameraString(unsigned index) = 0;
  virtual bool IsUsing(const std::wstring& cameraString) = 0;
  // Both save the in-use set.
  virtual void AddToUsing(const std::wstring& cameraString) = 0;
  virtual void RemoveFromUsing(const std::wstring& cameraString) = 0;
};

class IpCameraUi {
 public:
  virtual ~IpCameraUi() = default;
  // The login dialog with the record's values; false when it did not end with OK.
  virtual bool RunLoginDialog(std::wstring* user, std::wstring* password) = 0;
  virtual int ShowTimedMessage(const std::wstring& text, unsigned style, int autoCloseMs) = 0;
  // Runs the command lines with hidden windows, each once the one before has ended, and
  // returns at once without waiting for any of them.
  virtual void RunHiddenInTurn(const std::vector<std::wstring>& commandLines) = 0;
};

// "HTTP://%s:%d/get_p2p.cgi?&user=%s&pwd=%s"
std::wstring P2pCheckUrl(const IpCameraRecord& camera);
// At least one byte came back and it does not say "401 Unauthorized".
bool P2pCheckPassed(const HttpAnswer& answer);

// "%s%sMirage.ax" with the program's drive and folder (`programFolder` ends in "\").
std::wstring MiragePath(const std::wstring& programFolder);
// "regsvr32 -u -s %s" and "regsvr32 -s %s"; a path with a blank is quoted.
std::vector<std::wstring> MirageRegistrationCommands(const std::wstring& miragePath);

// Command `command` (150 to 165) puts camera command - 150 in use (after the check) and takes
// every other camera out of use.
void ChooseIpCamera(int command, IpCameraList& cameras, PlatformTransport& transport, IpCameraUi& ui,
                    const std::wstring& programFolder);

}  // namespace lookout
