#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace nimbral {

// Text from outside (a peer, a client, a file) made safe for one log line: every byte outside
// printable ASCII (line breaks, terminal escapes, invalid UTF-8) and the backslash become \xNN,
// and it is cut after `maxBytes` of input, so a sender can neither forge log lines nor flood the
// log.
std::string printable(std::string_view text, std::size_t maxBytes = 80);

} // namespace nimbral
