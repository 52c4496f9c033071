// The camera's one UDP socket and the thread that receives on it.
#pragma once

#include <winsock2.h>

#include <cstddef>
#include <cstdint>

#include "net_address.h"
#include "work_thread.h"

namespace lantern {

class UdpReceiver {
 public:
  virtual ~UdpReceiver() = default;
  // `kind` is always 2 (datagram).
  virtual void OnReceive(const uint8_t* data, size_t length, int kind, const NetAddress& from) = 0;
};

class UDP_Socket : private CWorkThread {
 public:
  static constexpr size_t kReceiveBufferSize = 4096;

  explicit UDP_Socket(UdpReceiver* owner);
  ~UDP_Socket() override;

  // Makes the receive buffer, the stop event and the socket, and starts receiving.
  SOCKET CreateSocket();
  // Dotted address, else a host-name look-up; 0 when closed or unresolvable (the old
  // destination stays), 1 otherwise.
  int SetDestination(const char* host, unsigned short port);
  int SendToDefault(const void* data, int length);
  int SendTo(const void* data, int length, const NetAddress& to);
  void GetLocalAddress(char* text, size_t size, uint32_t* port, const char* reference);
  void CloseSocket();

  SOCKET socket() const { return m_socket; }
  bool isOpen() const { return m_socket != INVALID_SOCKET; }
  NetAddress destination() const { return m_destination; }

 private:
  unsigned ThreadBody(void* argument) override;

  UdpReceiver* m_owner;
  SOCKET m_socket = INVALID_SOCKET;
  NetAddress m_destination;
  char m_host[60] = {};
  uint8_t* m_pRecvBuffer = nullptr;
  StopEvent* m_pStop = nullptr;
};

// Dotted address first, else the first address of a host-name look-up.
bool ResolveHost(const char* host, uint32_t* ip);

}  // namespace lantern
