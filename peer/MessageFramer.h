// Cuts the byte stream of the desktop-client link into whole JSON objects.
// Several objects in one receive come out one by one; a partial object waits
// for its rest. Bytes outside any object are whitespace or junk: junk runs
// come out as messages of their own (they do not parse, so they are ignored).
// An object or junk run that grows past the limit is dropped at once and
// reported, and framing starts afresh with the next byte: an unfinished
// object can then hold back at most the limit's worth of what follows, and
// the rest of an over-long one comes out as junk or fragments, read like any
// other text.
// Used by the link thread only.
#pragma once

#include <cstddef>
#include <string>

namespace peer {

class MessageFramer {
 public:
  // Longest message kept; anything longer is dropped.
  static constexpr size_t kMaxMessage = 16383;

  enum class Result { kNone, kMessage, kDropped };

  // Appends received bytes.
  void Feed(const char* data, size_t size);
  // Takes the next complete message into *message (kMessage), reports a
  // dropped over-long message with its length in *dropped (kDropped), or
  // says that nothing complete is left (kNone).
  Result Next(std::string* message, size_t* dropped);
  // Bytes of an unfinished message held back.
  size_t Pending() const { return current_.size(); }

 private:
  void Reset();
  // Scans one byte of an object; returns true when it closed the object.
  bool ScanObjectByte(char c);

  std::string input_;
  size_t pos_ = 0;
  std::string current_;
  bool inObject_ = false;
  bool inJunk_ = false;
  int depth_ = 0;
  bool inString_ = false;
  bool escaped_ = false;
};

}  // namespace peer
