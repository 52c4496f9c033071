#include "platform_store.h"

#include <gtest/gtest.h>

using namespace standins::web;

namespace {
std::string Ask(PlatformStore& s, const std::string& target) { return s.Answer(ParseTarget(target)).body; }
}  // namespace

TEST(WebPlatformStore, TargetsAndDecoding) {
  HttpRequest r = ParseTarget("/interface/sendSMSMsg.action?Mobile=138&SendMsg=%E5%B0%8A%3A%20x&flag&Mobile=139");
  EXPECT_EQ(r.path, "/interface/sendSMSMsg.action");
  EXPECT_EQ(r.query["Mobile"], "139");
  EXPECT_EQ(r.query["SendMsg"], "\xE5\xB0\x8A: x");
  EXPECT_EQ(r.query.count("flag"), 1u);
  EXPECT_EQ(PercentDecode("%4"), "%4");
  EXPECT_EQ(PercentDecode("%zz%41"), "%zzA");
  EXPECT_EQ(ParseTarget("/").path, "/");
}

TEST(WebPlatformStore, LoginSmsAndRegistration) {
  PlatformStore s;
  s.AddUser("13800000000", "pw");
  EXPECT_EQ(Ask(s, "/loadrunner.asp"), "127.0.0.1:8000");
  EXPECT_EQ(Ask(s, "/interface/chkUserPws.action?UserName=13800000000&Pws=pw"), "1|13800000000|1001");
  EXPECT_EQ(Ask(s, "/interface/chkUserPws.action?UserName=13800000000&Pws=no").substr(0, 2), "0|");
  EXPECT_EQ(Ask(s, "/interface/chkUserPws.action?UserName=13900000000&Pws=pw").substr(0, 2), "0|");

  EXPECT_EQ(Ask(s, "/interface/sendSMSMsg.action?Mobile=1390000000&SendMsg=x"), "0|bad number");
  EXPECT_EQ(Ask(s, "/interface/sendSMSMsg.action?Mobile=13900000000&SendMsg=code%3A654321"), "1");
  EXPECT_EQ(s.LastCode("13900000000"), "654321");
  EXPECT_EQ(s.LastCode("13700000000"), "");

  EXPECT_EQ(Ask(s, "/interface/IvrReg.asp?Mobile=&RndCode=123&vcam=1&pwd=a"), "0|101");
  EXPECT_EQ(Ask(s, "/interface/IvrReg.asp?Mobile=1390000000x&RndCode=123&vcam=1&pwd=a"), "0|102");
  EXPECT_EQ(Ask(s, "/interface/IvrReg.asp?Mobile=13800000000&RndCode=123&vcam=1&pwd=a"), "0|103");
  EXPECT_EQ(Ask(s, "/interface/IvrReg.asp?Mobile=13900000000&RndCode=123&vcam=1&pwd="), "0|104");
  EXPECT_EQ(Ask(s, "/interface/IvrReg.asp?Mobile=13900000000&RndCode=123&vcam=1&pwd=new"),
            "1|13900000000|new|1002");
  EXPECT_EQ(Ask(s, "/interface/chkUserPws.action?UserName=13900000000&Pws=new"), "1|13900000000|1002");

  s.forced["/interface/IvrReg.asp"] = "0|1042";
  EXPECT_EQ(Ask(s, "/interface/IvrReg.asp?Mobile=13700000000&RndCode=123&vcam=1&pwd=new"), "0|1042");
}

TEST(WebPlatformStore, BindingAndRemoval) {
  PlatformStore s;
  s.AddUser("13800000000", "a");
  s.AddUser("13900000000", "b");
  const std::string bind = "/interface/IvrCameraBind.asp?";
  EXPECT_EQ(Ask(s, bind + "UserName=&Password=a&CameraID=kv1&RndCode=123&vcam=1"), "0|106");
  EXPECT_EQ(Ask(s, bind + "UserName=13700000000&Password=a&CameraID=kv1&RndCode=123&vcam=1"), "0|112");
  EXPECT_EQ(Ask(s, bind + "UserName=13800000000&Password=x&CameraID=kv1&RndCode=123&vcam=1"), "0|107");
  EXPECT_EQ(Ask(s, bind + "UserName=13800000000&Password=a&CameraID=&RndCode=123&vcam=1"), "0|1081");
  EXPECT_EQ(Ask(s, bind + "UserName=13800000000&Password=a&CameraID=kv1&RndCode=123&vcam=1"), "1");
  EXPECT_EQ(Ask(s, bind + "UserName=13800000000&Password=a&CameraID=kv1&RndCode=123&vcam=1"), "1");
  EXPECT_EQ(Ask(s, bind + "UserName=13900000000&Password=b&CameraID=kv1&RndCode=123&vcam=1"), "0|1083");

  const std::string del = "/interface/delCameraBind.action?";
  EXPECT_EQ(Ask(s, del + "UserName=13800000000&Password=a&CameraID=&RndCode=123&vcam=1"), "-2");
  EXPECT_EQ(Ask(s, del + "UserName=13800000000&Password=x&CameraID=kv1&RndCode=123&vcam=1"), "-1");
  EXPECT_EQ(Ask(s, del + "UserName=13900000000&Password=b&CameraID=kv1&RndCode=123&vcam=1"), "-3");
  EXPECT_EQ(Ask(s, del + "UserName=13800000000&Password=a&CameraID=kv1&RndCode=123&vcam=1"), "1");
  EXPECT_EQ(s.bindings.count("kv1"), 0u);
  EXPECT_EQ(Ask(s, bind + "UserName=13900000000&Password=b&CameraID=kv1&RndCode=123&vcam=1"), "1");
  EXPECT_EQ(s.bindings["kv1"], "13900000000");
}

TEST(WebPlatformStore, Pages) {
  PlatformStore s;
  HttpResponse home = s.Answer(ParseTarget("/"));
  EXPECT_EQ(home.contentType, "text/html");
  EXPECT_NE(home.body.find("<HTML>"), std::string::npos);
  EXPECT_EQ(s.Answer(ParseTarget("//user/findpwd.action")).status, 200);
  EXPECT_NE(s.Answer(ParseTarget("/login.asp?username=u&password=p")).body.find("login u"), std::string::npos);
  EXPECT_EQ(s.Answer(ParseTarget("/nothing")).status, 404);
}
