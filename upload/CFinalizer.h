#pragma once

#include <cstdint>

class CFinalizer {
 public:
  virtual ~CFinalizer() = default;
  virtual int32_t Finalize(uint8_t silent) = 0;
};
