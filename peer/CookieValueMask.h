// A client message as it may go into a log: the parsed message written out
// again with every "value" member (a cookie's value, the account's
// credentials) replaced by "***". The protocol has no other "value" members,
// so they are masked wherever they stand: a cookie in the wrong place is still
// a credential. Working on the parsed message, not on the text, no spelling of
// the text (escapes, comments, odd nesting) can carry a value past the mask.
#pragma once

#include <json/value.h>

#include <string>

namespace peer {

// Compact JSON, ASCII only (anything else, control characters included, is
// escaped), so the text stays one printable log line.
std::string MaskedMessageText(const Json::Value& message);

}  // namespace peer
