// An uploader sends one file and answers the task state it ended in.
#pragma once

#include <cstdint>
#include <string>

#include "upload/CUploadParam.h"

class CUploader {
 public:
  virtual ~CUploader() = default;
  virtual void SetParam(const CUploadParam& /*param*/) {}
  virtual int32_t Upload() = 0;
  virtual void Close() {}
  // The uploader that follows this one in a re-upload chain; none by default.
  virtual CUploader* NextUploader() { return nullptr; }
  virtual std::string Name() const { return std::string(); }
};
