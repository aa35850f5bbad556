// A window that counts the messages it receives, by message id.
#pragma once

#include <map>

#include "platform/MessageQueue.h"

namespace kvtest {

class MessageCounter : public platform::MessageHandler {
 public:
  platform::LRESULT HandleMessage(platform::UINT msg, platform::WPARAM, platform::LPARAM) override {
    ++counts[msg];
    return 0;
  }
  std::map<platform::UINT, int> counts;
};

}  // namespace kvtest
