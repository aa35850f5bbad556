// The queries every progress measurement offers to the uploader.
#pragma once

#include <cstdint>

class CProgressMetric {
 public:
  virtual ~CProgressMetric() = default;
  virtual uint32_t Speed() const = 0;
  virtual uint64_t AverageRate() const = 0;
  virtual uint64_t RemainingTime() const = 0;
  virtual uint32_t Elapsed() const = 0;
};
