// Taking a web address apart into what an HTTP client needs: host, port and the
// object path to request.
//
// Only the scheme prefix "http://" (in any case) is known; everything else is part
// of the host-and-port or of the path. The host-and-port part ends at the first
// "/", "?" or "#" after the scheme, and the path is what follows it.
#pragma once

#include <cstdint>
#include <string_view>

#include "text/text.h"

namespace ximing {

// The host-and-port part of `address`: after "http://" when it starts so, up to the
// first "/", "?" or "#".
Text splitHostPort(std::string_view address);

// The host name in lower case, without a port.
Text urlHost(std::string_view address);

// The number after the first colon of the host-and-port part, read as a number
// (0 when nothing there reads as one); 80 when there is no colon. No range check.
std::int32_t urlPort(std::string_view address);

// Everything after the host-and-port part, query and fragment included, always
// starting with "/".
Text urlObjectPath(std::string_view address);

}  // namespace ximing
