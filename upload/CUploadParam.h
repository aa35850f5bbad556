// One task's file data, copied by value into every upload job.
#pragma once

#include <cstdint>
#include <string>

#include "platform/MessageQueue.h"

struct CUploadParam {
  int32_t taskIndex = 0;                  // "Task[%02d]" in every log line
  platform::HWND notifyWindow = nullptr;  // receives 0x84f, 0x850, 0x852
  int64_t size = 0;
  std::string name;
  std::string folder;  // the file's path is folder + "/" + name
  int64_t pid = 0;
  int64_t fid = 0;  // 0 until the service assigned one
  int64_t breakPoint = 0;
  std::string hash;

  std::string Path() const { return folder + "/" + name; }
};
