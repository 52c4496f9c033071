#include "quilcam_server.h"

#include <chrono>

#include "quilcam_http.h"
#include "quilcam_picture.h"

namespace quilcam {

namespace shim = standins::shim;

namespace {
constexpr int kPollMs = 10;
constexpr int kFirstBytesMs = 5000;
constexpr size_t kMaxHead = 16384;

bool PortOf(shim::SocketHandle s, uint16_t* port) { return shim::LocalPort(s, port); }
}  // namespace

bool CameraServer::Start(uint32_t ip, uint16_t localPort, uint16_t webPort) {
  Stop();
  stop_ = false;
  listeners_[0] = shim::OpenTcpListener(ip, localPort);
  if (listeners_[0] == shim::kNoSocket || !PortOf(listeners_[0], &localPort_)) {
    Stop();
    return false;
  }
  if (webPort != 0 && webPort == localPort) {
    webPort_ = localPort_;
  } else {
    listeners_[1] = shim::OpenTcpListener(ip, webPort);
    if (listeners_[1] == shim::kNoSocket || !PortOf(listeners_[1], &webPort_)) {
      Stop();
      return false;
    }
  }
  acceptThread_ = std::thread([this] { AcceptLoop(); });
  return true;
}

void CameraServer::Stop() {
  stop_ = true;
  if (acceptThread_.joinable()) acceptThread_.join();
  for (shim::SocketHandle& l : listeners_) {
    shim::Close(l);
    l = shim::kNoSocket;
  }
  Reap(true);
}

// Joins the connection threads that have ended (all of them with `all`).
void CameraServer::Reap(bool all) {
  std::list<Worker> ended;
  {
    std::lock_guard<std::mutex> g(threadsLock_);
    for (auto it = threads_.begin(); it != threads_.end();) {
      auto next = std::next(it);
      if (all || it->done) ended.splice(ended.end(), threads_, it);
      it = next;
    }
  }
  for (Worker& w : ended) w.thread.join();
}

void CameraServer::DropConnections() { ++generation_; }

void CameraServer::AcceptLoop() {
  while (!stop_) {
    Reap(false);
    for (shim::SocketHandle l : listeners_) {
      if (l == shim::kNoSocket) continue;
      shim::SocketHandle s = shim::Accept(l, kPollMs);
      if (s == shim::kNoSocket) continue;
      if (++served_ > kMaxConnections) {
        shim::Close(s);
        continue;
      }
      std::lock_guard<std::mutex> g(threadsLock_);
      const uint64_t generation = generation_;
      Worker& w = threads_.emplace_back();
      w.thread = std::thread([this, s, generation, &w] {
        Serve(s, generation);
        w.done = true;
      });
    }
  }
}

void CameraServer::Serve(shim::SocketHandle s, uint64_t generation) {
  std::string first;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kFirstBytesMs);
  char buffer[4096];
  while (first.size() < 4 && Live(generation) && std::chrono::steady_clock::now() < deadline) {
    int ready = shim::WaitReadable(s, kPollMs);
    if (ready < 0) break;
    if (ready == 0) continue;
    long n = shim::Receive(s, buffer, sizeof buffer);
    if (n <= 0) break;
    first.append(buffer, static_cast<size_t>(n));
  }
  if (first.compare(0, 4, "MO_O") == 0) {
    ServeOperation(s, first, generation);
  } else if (first.size() >= 4) {
    ServeHttp(s, first, generation);
  }
  shim::Close(s);
}

void CameraServer::ServeOperation(shim::SocketHandle s, const std::string& first, uint64_t generation) {
  QuilCamera::OperationPeer peer(camera_);
  peer.Received(reinterpret_cast<const uint8_t*>(first.data()), first.size());
  uint8_t buffer[4096];
  while (Live(generation)) {
    std::vector<uint8_t> out = peer.TakeOutbox();
    if (!out.empty() && !shim::SendAll(s, out.data(), out.size())) return;
    int ready = shim::WaitReadable(s, kPollMs);
    if (ready < 0) return;
    if (ready == 0) continue;
    long n = shim::Receive(s, buffer, sizeof buffer);
    if (n <= 0) {
      peer.Closed();
      return;
    }
    peer.Received(buffer, static_cast<size_t>(n));
  }
}

void CameraServer::ServeHttp(shim::SocketHandle s, std::string received, uint64_t generation) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kFirstBytesMs);
  char buffer[4096];
  while (HeadEnd(received) == std::string::npos) {
    if (received.size() > kMaxHead || !Live(generation) || std::chrono::steady_clock::now() >= deadline) return;
    int ready = shim::WaitReadable(s, kPollMs);
    if (ready < 0) return;
    if (ready == 0) continue;
    long n = shim::Receive(s, buffer, sizeof buffer);
    if (n <= 0) return;
    received.append(buffer, static_cast<size_t>(n));
  }
  QuilCamera::HttpReply reply = camera_->AnswerHttp(received.substr(0, HeadEnd(received)));
  if (!shim::SendAll(s, reply.bytes.data(), reply.bytes.size()) || !reply.stream) return;
  const CameraSettings settings = camera_->settings();
  const int fps = settings.framesPerSecond > 0 && settings.framesPerSecond <= 100 ? settings.framesPerSecond : 10;
  const auto period = std::chrono::microseconds(1000000 / fps);
  auto next = std::chrono::steady_clock::now();
  for (int frame = 0; frame < settings.maxStreamFrames && Live(generation); ++frame) {
    std::vector<uint8_t> jpeg = Picture(reply.width, reply.height, static_cast<uint32_t>(frame));
    std::string part = QuilCamera::StreamPart(jpeg);
    if (jpeg.empty() || !shim::SendAll(s, part.data(), part.size())) return;
    camera_->CountFrame();
    next += period;
    while (Live(generation) && std::chrono::steady_clock::now() < next) {
      // A client that closes ends the stream without waiting for the next send.
      if (shim::WaitReadable(s, kPollMs) == 1 && shim::Receive(s, buffer, sizeof buffer) <= 0) return;
    }
  }
}

}  // namespace quilcam
