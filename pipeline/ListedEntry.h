// Reads one root or file object of a folder listing. Numbers are read as
// 64-bit values; an entry with a missing, negative or non-numeric field where
// a number belongs is refused (and logged by the caller), never raised.
#pragma once

#include <json/value.h>

#include <cstdint>

#include "pipeline/CldFileInfo.h"

struct ListedEntry {
  int64_t id = 0;
  int64_t pid = 0;
  CldFileInfo info;

  // False when a field is unusable; *this is then unspecified.
  bool Read(const Json::Value& object);
};
