#include "ip_camera.h"

#include <gtest/gtest.h>

#include <set>

#include "fake_platform.h"

using namespace lookout;
using lookout::test::FakeTransport;

namespace {

class FakeList : public IpCameraList {
 public:
  std::vector<IpCameraRecord> records;
  std::set<std::wstring> inUse;
  std::vector<std::wstring> calls;

  unsigned Count() override { return static_cast<unsigned>(records.size()); }
  bool Record(unsigned i, IpCameraRecord* r) override {
    if (i >= records.size()) return false;
    *r = records[i];
    return true;
  }
  void StoreCredentials(unsigned i, const std::wstring& u, const std::wstring& p) override {
    calls.push_back(L"store " + std::to_wstring(i) + L" " + u + L" " + p);
    records[i].username = u.substr(0, 19);
    records[i].userpassword = p.substr(0, 19);
  }
  std::wstring CameraString(unsigned i) override { return L"Devicequil@" + records.at(i).ip + L"@cam"; }
  bool IsUsing(const std::wstring& s) override { return inUse.count(s) > 0; }
  void AddToUsing(const std::wstring& s) override {
    calls.push_back(L"add " + s);
    inUse.insert(s);
  }
  void RemoveFromUsing(const std::wstring& s) override {
    calls.push_back(L"remove " + s);
    inUse.erase(s);
  }
};

class FakeIpUi : public IpCameraUi {
 public:
  bool ok = true;
  std::wstring typedUser = L"admin", typedPassword = L"123456";
  std::vector<std::wstring> dialogs, messages, commands;
  bool RunLoginDialog(std::wstring* user, std::wstring* password) override {
    dialogs.push_back(*user + L"/" + *password);
    *user = typedUser;
    *password = typedPassword;
    return ok;
  }
  int ShowTimedMessage(const std::wstring& text, unsigned, int ms) override {
    EXPECT_EQ(ms, 30000);
    messages.push_back(text);
    return 1;
  }
  void RunHiddenInTurn(const std::vector<std::wstring>& lines) override {
    commands.insert(commands.end(), lines.begin(), lines.end());
  }
};

class IpCamera : public ::testing::Test {
 protected:
  IpCamera() {
    list.records = {{L"cam2", L"10.213.7.2", 81, L"admin", L""}, {L"cam3", L"10.213.7.3", 80, L"root", L"pw"}};
  }
  FakeList list;
  FakeTransport transport;
  FakeIpUi ui;
  const std::wstring folder = L"C:\\Lookout\\";
  const std::vector<std::wstring> registration = {L"regsvr32 -u -s C:\\Lookout\\Mirage.ax",
                                                  L"regsvr32 -s C:\\Lookout\\Mirage.ax"};
};

}  // namespace

TEST_F(IpCamera, AnAnswerWithoutUnauthorizedPutsTheCameraInUse) {
  list.inUse.insert(list.CameraString(1));
  transport.Answer(L"var p2p_enable=1;\r\n");
  ChooseIpCamera(150, list, transport, ui, folder);
  EXPECT_EQ(ui.dialogs, std::vector<std::wstring>{L"admin/"});
  EXPECT_EQ(transport.urls, std::vector<std::wstring>{L"HTTP://10.213.7.2:81/get_p2p.cgi?&user=admin&pwd=123456"});
  EXPECT_EQ(list.calls, (std::vector<std::wstring>{L"remove Devicequil@10.213.7.3@cam", L"store 0 admin 123456",
                                                   L"add Devicequil@10.213.7.2@cam"}));
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(ui.commands, registration);
}

TEST_F(IpCamera, UnauthorizedOrNoAnswerIsRefusedButMirageIsRegisteredAgain) {
  transport.Answer(L"HTTP/1.1 401 Unauthorized\r\n");
  ChooseIpCamera(151, list, transport, ui, folder);
  EXPECT_TRUE(list.inUse.empty());
  EXPECT_EQ(ui.messages, std::vector<std::wstring>{L"用户名密码错误，认证不通过!"});
  EXPECT_EQ(ui.commands, registration);

  for (bool internetError : {false, true}) {
    transport.answers.clear();
    transport.answers.push_back({false, internetError, internetError ? L"connection refused" : L""});
    ui.messages.clear();
    ChooseIpCamera(151, list, transport, ui, folder);
    EXPECT_TRUE(list.inUse.empty());
    EXPECT_EQ(ui.messages.size(), 1u);
  }
}

TEST_F(IpCamera, CameraInUseAlreadyOrDialogCancelled) {
  list.inUse.insert(list.CameraString(0));
  ChooseIpCamera(150, list, transport, ui, folder);
  EXPECT_TRUE(ui.dialogs.empty());
  EXPECT_TRUE(ui.commands.empty());  // stops before registering again
  EXPECT_TRUE(list.inUse.count(list.CameraString(0)));

  list.inUse.clear();
  ui.ok = false;
  ChooseIpCamera(150, list, transport, ui, folder);
  EXPECT_EQ(ui.dialogs.size(), 1u);
  EXPECT_TRUE(transport.urls.empty());
  EXPECT_EQ(ui.commands, registration);

  // No record with that index: only the registration.
  ui.commands.clear();
  ChooseIpCamera(160, list, transport, ui, folder);
  EXPECT_EQ(ui.dialogs.size(), 1u);
  EXPECT_EQ(ui.commands, registration);
  // Not an IP camera command: nothing.
  ui.commands.clear();
  ChooseIpCamera(166, list, transport, ui, folder);
  EXPECT_TRUE(ui.commands.empty());
}

TEST_F(IpCamera, AFolderWithABlankIsQuoted) {
  EXPECT_EQ(MirageRegistrationCommands(MiragePath(L"C:\\Program Files\\Lookout\\")),
            (std::vector<std::wstring>{L"regsvr32 -u -s \"C:\\Program Files\\Lookout\\Mirage.ax\"",
                                       L"regsvr32 -s \"C:\\Program Files\\Lookout\\Mirage.ax\""}));
  EXPECT_TRUE(P2pCheckPassed({true, false, L"x"}));
  EXPECT_FALSE(P2pCheckPassed({true, false, L"HTTP/1.0 401 Unauthorized"}));
  EXPECT_FALSE(P2pCheckPassed({false, false, L""}));
}
