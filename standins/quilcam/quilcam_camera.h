// One stand-in quil camera behind its TCP ports: the CGI requests (clock, motion parameters,
// credential check, MJPEG stream) and the "MO_O" operation protocol (login, keep-alive,
// alarms, pan/tilt moves). It keeps what it received so that tests can check it, and has
// switches for the misbehaviour tests need. Platform-free: the sockets are in quilcam_server.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "operation_stream.h"

namespace quilcam {

struct CameraSettings {
  std::string user = "admin";
  std::string password = "123456";
  std::string id = "QC0000000001";  // sent in the login answer, at most 13 bytes
  uint16_t loginResult = 0;         // of the login answer (code 1); not 0 refuses
  uint32_t firstLoginValue = 1280;  // the first of the login answer's three values
  int framesPerSecond = 10;         // of videostream.cgi
  int maxStreamFrames = 3000;       // per stream connection
  int forcedWidth = 0;              // when set, pictures of this size whatever the resolution
  int forcedHeight = 0;
  size_t paramsPadding = 0;         // filler bytes before the values of get_params.cgi
  bool statusAfterStart = true;     // the status frame answering the session start
};

// The motion-alarm settings the camera keeps: day values Monday .. Sunday, three each.
struct MotionSettings {
  int armed = 1;
  int scheduleEnable = 1;
  int32_t schedule[7][3] = {};
};

struct OperationRecord {
  uint16_t op = 0;
  std::vector<uint8_t> payload;
};

// What the camera received.
struct CameraRecord {
  std::vector<std::string> requests;           // every HTTP request head, as received
  std::vector<OperationRecord> operations;     // every operation frame, in order
  int operationConnections = 0;                // operation connections accepted
  int operationClosed = 0;                     // ... and ended by the client
  int64_t clock = -1;                          // "now" of the last set_datetime.cgi
  int streams = 0;                             // videostream.cgi answered with pictures
  int framesSent = 0;
  std::vector<uint8_t> moves;                  // pan/tilt move codes (code 14)
  int Count(uint16_t op) const;
};

// Picture size of a "resolution" code: 2 gives 160x120, 32 gives 640x480, others 320x240.
void ResolutionSize(int code, int* width, int* height);

class QuilCamera {
 public:
  CameraSettings settings();
  void Configure(const CameraSettings& settings);
  MotionSettings motion();
  void SetMotion(const MotionSettings& motion);

  // Silent: operation frames are recorded but nothing is answered or pushed.
  void SetSilent(bool silent);
  // An alarm frame (code 25) of this type to every live operation connection.
  void PushAlarm(uint8_t type);

  CameraRecord record();
  void ClearRecord();
  // Waits until `done` holds for the record, at most timeoutMs.
  bool WaitFor(const std::function<bool(const CameraRecord&)>& done, int timeoutMs);

  struct HttpReply {
    std::string bytes;  // the whole answer, or the stream's head
    bool stream = false;
    int width = 0;
    int height = 0;
  };
  HttpReply AnswerHttp(const std::string& head);
  // One multipart part: boundary, headers with "Content-Length:", the picture, CR LF.
  static std::string StreamPart(const std::vector<uint8_t>& jpeg);
  void CountFrame();

  // The camera's side of one operation connection.
  class OperationPeer {
   public:
    explicit OperationPeer(QuilCamera* camera);
    ~OperationPeer();
    OperationPeer(const OperationPeer&) = delete;
    OperationPeer& operator=(const OperationPeer&) = delete;
    // Frames are recorded and answered into the outbox.
    void Received(const uint8_t* data, size_t size);
    std::vector<uint8_t> TakeOutbox();
    void Closed();  // by the client

   private:
    friend class QuilCamera;
    void Answer(const quilgate::OperationFrame& frame);
    QuilCamera* camera_;
    quilgate::OperationStream stream_;
    std::vector<uint8_t> outbox_;  // under the camera's lock
  };

 private:
  std::string Params();
  std::mutex lock_;
  std::condition_variable changed_;
  CameraSettings settings_;
  MotionSettings motion_;
  CameraRecord record_;
  bool silent_ = false;
  std::set<OperationPeer*> peers_;
};

}  // namespace quilcam
