// Whether a text is one JSON value as the JSON grammar (RFC 8259) has it,
// nested at most maxDepth arrays and objects deep. JsonCpp's reader takes
// more even in its strict mode (comments, leading zeros, "+1", "1.", "-",
// a byte order mark, raw control characters in strings) and throws once the
// nesting passes its own limit, so client messages are checked here first.
// Text bytes above 0x7F are passed as they are; JsonCpp checks escapes.
#pragma once

#include <cstddef>
#include <string_view>

namespace peer {

bool IsStrictJson(std::string_view text, size_t maxDepth);

}  // namespace peer
