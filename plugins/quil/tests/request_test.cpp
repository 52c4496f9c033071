// Value lookup in a camera's answer and the CGI requests, byte for byte.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

#include "answer_values.h"
#include "cgi_request.h"

using namespace quilgate;

namespace {
int32_t ValueIn(const std::string& text, const char* key) { return AnswerText(text.data(), text.size()).Value(key); }
bool Found(const std::string& text, const char* key) {
  int32_t v;
  return AnswerText(text.data(), text.size()).Find(key, &v);
}
}  // namespace

TEST(AnswerValues, KeysEqualsSignsAndNulBytes) {
  EXPECT_EQ(ValueIn("var a=1;\r\nvar alarm_schedule_enable= 17x;", "alarm_schedule_enable"), 17);
  EXPECT_EQ(ValueIn("alarm_schedule_enable=0", "alarm_schedule_enable"), 0);
  EXPECT_FALSE(Found("var something=1;", "alarm_schedule_enable"));
  EXPECT_EQ(ValueIn("var something=1;", "alarm_schedule_enable"), -1);
  // A key without '=' after it in its piece.
  EXPECT_FALSE(Found("alarm_motion_armed", "alarm_motion_armed"));
  EXPECT_FALSE(Found(std::string("alarm_motion_armed\0=1", 21), "alarm_motion_armed"));
  // The first piece holding the key wins; pieces are split by NUL bytes.
  EXPECT_EQ(ValueIn(std::string("x=5\0al\0alarm_motion_armed=3\0alarm_motion_armed=4", 49), "alarm_motion_armed"), 3);
  EXPECT_FALSE(Found(std::string("alarm_motion\0_armed=1", 21), "alarm_motion_armed"));
  // Signed values as the write request prints them; digits past 32 bits wrap.
  EXPECT_EQ(ValueIn("k=-1", "k"), -1);
  EXPECT_TRUE(Found("k=-1", "k"));
  EXPECT_EQ(ValueIn("k=-2147483648", "k"), INT32_MIN);
  EXPECT_EQ(ValueIn("k=4294967295", "k"), -1);
  EXPECT_EQ(ValueIn("k=  -", "k"), 0);
  EXPECT_EQ(ValueIn("k=", "k"), 0);
  EXPECT_FALSE(Found("", "k"));
  EXPECT_FALSE(AnswerText(nullptr, 10).Find("k", nullptr));
}

TEST(AnswerValues, RandomTextsNeverReadPastTheAnswer) {
  std::mt19937 rng(7);
  const char alphabet[] = "k=-0123456789 \0\r\n;ab";
  for (int round = 0; round < 20000; ++round) {
    size_t n = rng() % 40;
    std::unique_ptr<char[]> exact(new char[n]);  // the sanitizer sees a read past the end
    for (size_t i = 0; i < n; ++i) exact[i] = alphabet[rng() % (sizeof alphabet - 1)];
    int32_t v = 0;
    AnswerText(exact.get(), n).Find(round % 2 ? "k" : "ab", &v);
  }
}

TEST(CgiRequests, ExactBytes) {
  CgiTarget t = MakeTarget("192.168.1.20", 81, "admin", "pw&1");
  std::string r;
  const std::string tail = "\r\nHost: 192.168.1.20\r\nUser-Agent: myclient/1.0 (cameras@lookout.invalid)\r\n\r\n";
  ASSERT_TRUE(ClockRequest(t, 1700000000123LL, &r));
  EXPECT_EQ(r, "GET /set_datetime.cgi?now=1700000000123&user=admin&pwd=pw&1 HTTP/1.0" + tail);
  ASSERT_TRUE(ReadParamsRequest(t, &r));
  EXPECT_EQ(r, "GET /get_params.cgi?&user=admin&pwd=pw&1 HTTP/1.0" + tail);
  ASSERT_TRUE(WriteAlarmRequest(t, 1, "schedule_sun_0=-1&", &r));
  EXPECT_EQ(r, "GET /set_alarm.cgi?motion_armed=1&schedule_sun_0=-1&&user=admin&pwd=pw&1 HTTP/1.0" + tail);
  EXPECT_EQ(t.port, 81);
}

TEST(CgiRequests, LineBreaksInTheLoginAreRefusedAndFieldsCut) {
  std::string r = "untouched";
  EXPECT_FALSE(ClockRequest(MakeTarget("10.0.0.1", 80, "admin\r\nX-Evil: 1", "pw"), 1, &r));
  EXPECT_FALSE(ReadParamsRequest(MakeTarget("10.0.0.1", 80, "admin", "pw\n"), &r));
  EXPECT_FALSE(WriteAlarmRequest(MakeTarget("10.0.0.1\r", 80, "admin", "pw"), 0, "", &r));
  EXPECT_FALSE(WriteAlarmRequest(MakeTarget("10.0.0.1", 80, "admin", "pw"), 0, "a\r\n", &r));
  EXPECT_EQ(r, "untouched");
  // The request object's fields: user and password 19 bytes; a longer host is refused.
  ASSERT_TRUE(ReadParamsRequest(MakeTarget("h", 80, "u123456789012345678901", "p12345678901234567890"), &r));
  const std::string cut = "GET /get_params.cgi?&user=u123456789012345678&pwd=p123456789012345678 HTTP/1.0\r\n";
  EXPECT_EQ(r.substr(0, cut.size()), cut);
  EXPECT_TRUE(ReadParamsRequest(MakeTarget("abcdefghij.abcdefghij.abcdefg", 80, "", ""), &r));
  EXPECT_FALSE(ReadParamsRequest(MakeTarget("abcdefghij.abcdefghij.abcdefgh", 80, "", ""), &r));
  EXPECT_FALSE(ReadParamsRequest(MakeTarget(nullptr, 80, nullptr, nullptr), &r));
}

TEST(CgiRequests, RandomLoginsGiveOneRequestLineOrNone) {
  std::mt19937 rng(5);
  const char alphabet[] = "ab\r\n &=%?:/";
  for (int round = 0; round < 5000; ++round) {
    std::string text[3];
    for (std::string& t : text) {
      const size_t n = rng() % 30;
      for (size_t i = 0; i < n; ++i) t += alphabet[rng() % (sizeof alphabet - 1)];
    }
    std::string r;
    if (!ReadParamsRequest(MakeTarget(text[0].c_str(), 80, text[1].c_str(), text[2].c_str()), &r)) continue;
    // Accepted: the request line, Host and User-Agent, the blank line; no other line break.
    size_t breaks = 0;
    for (size_t at = r.find('\n'); at != std::string::npos; at = r.find('\n', at + 1)) ++breaks;
    ASSERT_EQ(breaks, 4u);
    ASSERT_EQ(r.find('\r'), r.find("\r\n"));
    ASSERT_EQ(r.substr(r.size() - 4), "\r\n\r\n");
  }
}
