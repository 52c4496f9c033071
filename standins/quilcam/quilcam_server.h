// The stand-in camera's TCP ports. Each port answers both protocols: a connection that
// begins with "MO_O" is an operation connection, anything else is an HTTP request.
#pragma once

#include <atomic>
#include <cstdint>
#include <list>
#include <mutex>
#include <thread>

#include "quilcam_camera.h"
#include "socket_shim.h"

namespace quilcam {

class CameraServer {
 public:
  // Connections served over the server's life, a bound on what a run can make it do.
  static constexpr int kMaxConnections = 20000;

  explicit CameraServer(QuilCamera* camera) : camera_(camera) {}
  ~CameraServer() { Stop(); }
  CameraServer(const CameraServer&) = delete;
  CameraServer& operator=(const CameraServer&) = delete;

  // Listens on ip (host order) at the camera's "localport" and "webport" (0: ephemeral;
  // equal ports: one listener). False when a port cannot be bound.
  bool Start(uint32_t ip, uint16_t localPort, uint16_t webPort);
  uint16_t localPort() const { return localPort_; }
  uint16_t webPort() const { return webPort_; }
  // Closes the listeners and every connection, then waits for the threads.
  void Stop();
  // Ends every open connection from the camera's side; the ports stay open.
  void DropConnections();

 private:
  void AcceptLoop();
  void Serve(standins::shim::SocketHandle s, uint64_t generation);
  void ServeOperation(standins::shim::SocketHandle s, const std::string& first, uint64_t generation);
  void ServeHttp(standins::shim::SocketHandle s, std::string received, uint64_t generation);
  bool Live(uint64_t generation) const { return !stop_ && generation == generation_; }

  QuilCamera* camera_;
  standins::shim::SocketHandle listeners_[2] = {standins::shim::kNoSocket, standins::shim::kNoSocket};
  uint16_t localPort_ = 0;
  uint16_t webPort_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<uint64_t> generation_{0};
  std::thread acceptThread_;
  struct Worker {
    std::thread thread;
    std::atomic<bool> done{false};
  };
  void Reap(bool all);
  std::mutex threadsLock_;
  std::list<Worker> threads_;
  int served_ = 0;
};

}  // namespace quilcam
