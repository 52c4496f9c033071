// The PC's IPv4 address table (address and mask of each local address).
#pragma once

#include <vector>

#include "search_protocol.h"

namespace camshare::win {

// False when the table cannot be read.
bool ReadLocalAddresses(std::vector<search::LocalAddress>* table);

}  // namespace camshare::win
