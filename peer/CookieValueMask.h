// The text of a client message as it may go into a log: the "value" of every
// cookie in "values" (the account's credentials) becomes "***", everything
// else stays as received. Works on broken or partial text too, since the
// messages worth logging are exactly the ones that may be malformed.
#pragma once

#include <string>

namespace peer {

std::string MaskCookieValues(const std::string& text);

}  // namespace peer
