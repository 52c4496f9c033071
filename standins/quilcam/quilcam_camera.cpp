#include "quilcam_camera.h"

#include <chrono>
#include <cstdio>
#include <cstring>

#include "operation_session.h"
#include "quilcam_http.h"

namespace quilcam {

namespace {

const char* const kDayWords[7] = {"mon", "tue", "wed", "thu", "fri", "sat", "sun"};

void PutU16(std::vector<uint8_t>& d, uint16_t v) {
  d.push_back(static_cast<uint8_t>(v));
  d.push_back(static_cast<uint8_t>(v >> 8));
}
void PutU32(std::vector<uint8_t>& d, uint32_t v) {
  for (int i = 0; i < 4; ++i) d.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// The first 13 bytes of a login text, zero-padded as the client sends it.
std::string LoginField(const std::string& text) {
  std::string f(13, '\0');
  std::memcpy(&f[0], text.data(), text.size() < 13 ? text.size() : 13);
  return f;
}

bool ParseInt(const std::string& text, long long* out) {
  if (text.empty()) return false;
  char* end = nullptr;
  *out = std::strtoll(text.c_str(), &end, 10);
  return *end == '\0';
}

}  // namespace

int CameraRecord::Count(uint16_t op) const {
  int n = 0;
  for (const OperationRecord& r : operations) n += r.op == op ? 1 : 0;
  return n;
}

void ResolutionSize(int code, int* width, int* height) {
  if (code == 2) {
    *width = 160;
    *height = 120;
  } else if (code == 32) {
    *width = 640;
    *height = 480;
  } else {
    *width = 320;
    *height = 240;
  }
}

CameraSettings QuilCamera::settings() {
  std::lock_guard<std::mutex> g(lock_);
  return settings_;
}

void QuilCamera::Configure(const CameraSettings& settings) {
  std::lock_guard<std::mutex> g(lock_);
  settings_ = settings;
}

MotionSettings QuilCamera::motion() {
  std::lock_guard<std::mutex> g(lock_);
  return motion_;
}

void QuilCamera::SetMotion(const MotionSettings& motion) {
  std::lock_guard<std::mutex> g(lock_);
  motion_ = motion;
}

void QuilCamera::SetSilent(bool silent) {
  std::lock_guard<std::mutex> g(lock_);
  silent_ = silent;
}

void QuilCamera::PushAlarm(uint8_t type) {
  std::vector<uint8_t> payload = {type};
  for (uint16_t v : {1, 0, 0, 0}) PutU16(payload, v);
  std::vector<uint8_t> frame = quilgate::OperationFrameBytes(quilgate::op::kAlarm, payload.data(), payload.size());
  std::lock_guard<std::mutex> g(lock_);
  if (silent_) return;
  for (OperationPeer* p : peers_) p->outbox_.insert(p->outbox_.end(), frame.begin(), frame.end());
}

CameraRecord QuilCamera::record() {
  std::lock_guard<std::mutex> g(lock_);
  return record_;
}

void QuilCamera::ClearRecord() {
  std::lock_guard<std::mutex> g(lock_);
  record_ = CameraRecord();
}

bool QuilCamera::WaitFor(const std::function<bool(const CameraRecord&)>& done, int timeoutMs) {
  std::unique_lock<std::mutex> g(lock_);
  return changed_.wait_for(g, std::chrono::milliseconds(timeoutMs), [&] { return done(record_); });
}

std::string QuilCamera::Params() {
  std::string text = "var id=\"" + settings_.id + "\";\r\n";
  if (settings_.paramsPadding > 0) {
    std::string filler = "var filler=\"" + std::string(settings_.paramsPadding, 'x') + "\";\r\n";
    text += filler;
  }
  char line[80];
  std::snprintf(line, sizeof line, "var alarm_motion_armed=%d;\r\nvar alarm_schedule_enable=%d;\r\n", motion_.armed,
                motion_.scheduleEnable);
  text += line;
  for (int d = 0; d < 7; ++d) {
    for (int j = 0; j < 3; ++j) {
      std::snprintf(line, sizeof line, "var alarm_schedule_%s_%d=%d;\r\n", kDayWords[d], j,
                    static_cast<int>(motion_.schedule[d][j]));
      text += line;
    }
  }
  return text;
}

QuilCamera::HttpReply QuilCamera::AnswerHttp(const std::string& head) {
  HttpReply reply;
  HttpRequest request;
  std::lock_guard<std::mutex> g(lock_);
  record_.requests.push_back(head);
  changed_.notify_all();
  if (!ParseRequestHead(head, &request) || request.method != "GET") {
    reply.bytes = HttpAnswer(400, "bad request\r\n");
    return reply;
  }
  static const char* const kKnown[] = {"/set_datetime.cgi", "/get_params.cgi", "/set_alarm.cgi", "/get_p2p.cgi",
                                       "/videostream.cgi"};
  bool known = false;
  for (const char* path : kKnown) known |= request.path == path;
  if (!known) {
    reply.bytes = HttpAnswer(404, "no such page\r\n");
    return reply;
  }
  auto value = [&](const char* key) {
    auto it = request.query.find(key);
    return it == request.query.end() ? std::string() : it->second;
  };
  if (value("user") != settings_.user || value("pwd") != settings_.password) {
    reply.bytes = HttpAnswer(401, "401 Unauthorized\r\n");
    return reply;
  }
  if (request.path == "/set_datetime.cgi") {
    long long now = 0;
    if (!ParseInt(value("now"), &now)) {
      reply.bytes = HttpAnswer(400, "bad now\r\n");
      return reply;
    }
    record_.clock = now;
    reply.bytes = HttpAnswer(200, "ok.\r\n");
  } else if (request.path == "/get_params.cgi") {
    reply.bytes = HttpAnswer(200, Params());
  } else if (request.path == "/set_alarm.cgi") {
    long long v = 0;
    if (ParseInt(value("motion_armed"), &v)) motion_.armed = static_cast<int>(v);
    for (int d = 0; d < 7; ++d) {
      for (int j = 0; j < 3; ++j) {
        std::string key = std::string("schedule_") + kDayWords[d] + "_" + std::to_string(j);
        if (ParseInt(value(key.c_str()), &v)) motion_.schedule[d][j] = static_cast<int32_t>(v);
      }
    }
    reply.bytes = HttpAnswer(200, "ok.\r\n");
  } else if (request.path == "/get_p2p.cgi") {
    reply.bytes = HttpAnswer(200, "var p2p_enable=1;\r\nvar p2p_uuid=\"" + settings_.id + "\";\r\n");
  } else {  // videostream.cgi
    long long code = 8;
    ParseInt(value("resolution"), &code);
    ResolutionSize(static_cast<int>(code), &reply.width, &reply.height);
    if (settings_.forcedWidth > 0 && settings_.forcedHeight > 0) {
      reply.width = settings_.forcedWidth;
      reply.height = settings_.forcedHeight;
    }
    reply.stream = true;
    reply.bytes =
        "HTTP/1.1 200 OK\r\nServer: quilcam stand-in\r\n"
        "Content-Type: multipart/x-mixed-replace;boundary=ipcamera\r\nConnection: close\r\n\r\n";
    ++record_.streams;
  }
  return reply;
}

std::string QuilCamera::StreamPart(const std::vector<uint8_t>& jpeg) {
  std::string part = "--ipcamera\r\nContent-Type: image/jpeg\r\nContent-Length: " + std::to_string(jpeg.size()) +
                     "\r\n\r\n";
  part.append(reinterpret_cast<const char*>(jpeg.data()), jpeg.size());
  part += "\r\n";
  return part;
}

void QuilCamera::CountFrame() {
  std::lock_guard<std::mutex> g(lock_);
  ++record_.framesSent;
  changed_.notify_all();
}

QuilCamera::OperationPeer::OperationPeer(QuilCamera* camera) : camera_(camera) {
  std::lock_guard<std::mutex> g(camera_->lock_);
  camera_->peers_.insert(this);
  ++camera_->record_.operationConnections;
  camera_->changed_.notify_all();
}

QuilCamera::OperationPeer::~OperationPeer() {
  std::lock_guard<std::mutex> g(camera_->lock_);
  camera_->peers_.erase(this);
}

void QuilCamera::OperationPeer::Closed() {
  std::lock_guard<std::mutex> g(camera_->lock_);
  ++camera_->record_.operationClosed;
  camera_->changed_.notify_all();
}

void QuilCamera::OperationPeer::Received(const uint8_t* data, size_t size) {
  stream_.Append(data, size);
  quilgate::OperationFrame frame;
  while (stream_.Next(&frame)) {
    std::lock_guard<std::mutex> g(camera_->lock_);
    camera_->record_.operations.push_back(OperationRecord{frame.op, frame.payload});
    if (frame.op == quilgate::op::kMove && !frame.payload.empty()) camera_->record_.moves.push_back(frame.payload[0]);
    if (!camera_->silent_) Answer(frame);
    camera_->changed_.notify_all();
  }
}

// Under the camera's lock.
void QuilCamera::OperationPeer::Answer(const quilgate::OperationFrame& frame) {
  const CameraSettings& s = camera_->settings_;
  std::vector<uint8_t> payload;
  uint16_t code = 0;
  switch (frame.op) {
    case quilgate::op::kLoginRequest: {
      code = quilgate::op::kLoginAnswer;
      PutU16(payload, s.loginResult);
      std::string id = LoginField(s.id);
      payload.insert(payload.end(), id.begin(), id.end());
      PutU32(payload, s.firstLoginValue);
      PutU32(payload, 2);
      PutU32(payload, 3);
      break;
    }
    case quilgate::op::kLoginCheck: {
      code = quilgate::op::kLoginResult;
      std::string sent(frame.payload.begin(), frame.payload.end());
      bool match = sent == LoginField(s.user) + LoginField(s.password);
      PutU16(payload, match ? 0 : 1);
      payload.push_back(0);
      break;
    }
    case quilgate::op::kStartSession:
      if (!s.statusAfterStart) return;
      code = 17;  // a status frame the client has no use for
      payload = {1, 0, 0, 0};
      break;
    case quilgate::op::kKeepAlive:
      code = quilgate::op::kKeepAlive;
      break;
    default:
      return;
  }
  std::vector<uint8_t> bytes = quilgate::OperationFrameBytes(code, payload.data(), payload.size());
  outbox_.insert(outbox_.end(), bytes.begin(), bytes.end());
}

std::vector<uint8_t> QuilCamera::OperationPeer::TakeOutbox() {
  std::lock_guard<std::mutex> g(camera_->lock_);
  std::vector<uint8_t> out;
  out.swap(outbox_);
  return out;
}

}  // namespace quilcam
