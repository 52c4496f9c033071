// The local address and port a camera registers with, read from its UDP socket.
#pragma once

#include <winsock2.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace lantern {

// Writes the socket's local address as dotted text into `text` (at most size - 1
// characters, always terminated) and its port (host order) into `port`. A socket bound to
// the wildcard address reports the interface on the network of `reference` (dotted text),
// or empty text when no interface is on it; with a null `reference` it reports the first
// interface that could carry the traffic (empty text when there is none). When the local
// name cannot be read the text is empty and the port 0. `port` may be null.
void GetLocalAddress(SOCKET s, char* text, size_t size, uint32_t* port, const char* reference);

// The reference address for registration: `hint` when not empty, else the gateway of the
// first network adapter that has one. False when there is neither (a PC without a default
// gateway): the camera then registers with the fallback address of GetLocalAddress.
bool FindRegistrationReference(const char* hint, std::string* reference);

}  // namespace lantern
