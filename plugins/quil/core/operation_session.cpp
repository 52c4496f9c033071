#include "operation_session.h"

#include <cstring>

#include "common/byte_io.h"
#include "frame_header.h"

namespace quilgate {

uint32_t TicksSince(uint32_t now, uint32_t since) { return now >= since ? now - since : now; }

std::vector<uint8_t> OperationFrameBytes(uint16_t code, const void* payload, size_t size) {
  camshare::frame::FrameBuilder builder(camshare::frame::kMagicOperation, code);
  if (payload != nullptr) builder.Append(payload, size);
  return builder.Finish();
}

namespace {

// The first 13 bytes of a 20-byte field, zero-padded after its terminator.
void CopyLoginField(char* out, const char* field) {
  std::memset(out, 0, kLoginFieldSize);
  if (field == nullptr) return;
  for (size_t i = 0; i < kLoginFieldSize && field[i] != '\0'; ++i) out[i] = field[i];
}

}  // namespace

OperationSession::OperationSession(const char* user, const char* password) {
  CopyLoginField(user_, user);
  CopyLoginField(password_, password);
}

void OperationSession::Start(uint32_t now, SessionActions* out) {
  lastData_ = now;
  out->send.push_back(OperationFrameBytes(op::kLoginRequest));
}

void OperationSession::End(SessionActions* out) {
  ended_ = true;
  out->end = true;
}

void OperationSession::Received(const uint8_t* data, size_t size, uint32_t now, SessionActions* out) {
  if (ended_) return;
  if (size > 0) lastData_ = now;
  stream_.Append(data, size);
  OperationFrame frame;
  while (!ended_ && stream_.Next(&frame)) Handle(frame, now, out);
}

void OperationSession::Tick(uint32_t now, SessionActions* out) {
  if (ended_) return;
  if (TicksSince(now, lastData_) > kSilenceLimitMs) {
    End(out);
    return;
  }
  if (loggedIn_ && TicksSince(now, lastKeepAlive_) >= kKeepAliveMs) {
    lastKeepAlive_ = now;
    out->send.push_back(OperationFrameBytes(op::kKeepAlive));
  }
}

void OperationSession::Move(uint8_t code, SessionActions* out) {
  if (ended_ || !loggedIn_) return;
  out->send.push_back(OperationFrameBytes(op::kMove, &code, 1));
}

void OperationSession::Handle(const OperationFrame& frame, uint32_t now, SessionActions* out) {
  common::ByteReader r(frame.payload.data(), frame.payload.size());
  switch (frame.op) {
    case op::kLoginAnswer: {
      // Result, 13-byte identifier, three values; a shorter answer is no answer.
      uint16_t result = 0;
      uint32_t first = 0;
      if (!r.U16(0, &result) || !r.U32(2 + 13, &first) || !r.Has(2 + 13, 12)) return;
      if (result != 0 || first > kMaxFirstLoginValue) {
        End(out);
        return;
      }
      uint8_t login[2 * kLoginFieldSize];
      std::memcpy(login, user_, kLoginFieldSize);
      std::memcpy(login + kLoginFieldSize, password_, kLoginFieldSize);
      out->send.push_back(OperationFrameBytes(op::kLoginCheck, login, sizeof login));
      return;
    }
    case op::kLoginResult: {
      uint16_t result = 0;
      if (!r.U16(0, &result) || !r.Has(0, 3)) return;
      if (result != 0) {
        End(out);
        return;
      }
      loggedIn_ = true;
      lastKeepAlive_ = now;
      out->send.push_back(OperationFrameBytes(op::kStartSession));
      return;
    }
    case op::kAlarm: {
      uint8_t type = 0;
      if (!r.U8(0, &type) || !r.Has(0, 9)) return;
      if (type == 1) ++out->alarms;
      return;
    }
    default:
      // Video, audio, status and device data: not used here.
      return;
  }
}

}  // namespace quilgate
