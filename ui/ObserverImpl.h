// The process-wide broadcast between open menus: receivers register with one
// observer, which hands every broadcast (a parameter and an optional item name)
// to each receiver still registered. User-interface thread only.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

namespace DuiLib {

template <typename ReturnT, typename ParamT>
class ReceiverImpl;

template <typename ReturnT, typename ParamT>
class ObserverImpl {
 public:
  void AddReceiver(ReceiverImpl<ReturnT, ParamT>* r) {
    if (std::find(receivers_.begin(), receivers_.end(), r) == receivers_.end())
      receivers_.push_back(r);
  }
  void RemoveReceiver(ReceiverImpl<ReturnT, ParamT>* r) {
    receivers_.erase(std::remove(receivers_.begin(), receivers_.end(), r), receivers_.end());
  }
  ReturnT Broadcast(ParamT param, const std::string& item = std::string()) {
    const auto copy = receivers_;  // receivers may leave while they handle it
    for (auto* r : copy) {
      if (std::find(receivers_.begin(), receivers_.end(), r) != receivers_.end())
        r->Receive(param, item);
    }
    return ReturnT();
  }
  size_t Count() const { return receivers_.size(); }
  // In the order they registered.
  const std::vector<ReceiverImpl<ReturnT, ParamT>*>& Receivers() const { return receivers_; }

 private:
  std::vector<ReceiverImpl<ReturnT, ParamT>*> receivers_;
};

template <typename ReturnT, typename ParamT>
class ReceiverImpl {
 public:
  virtual ~ReceiverImpl() { RemoveObserver(); }
  void AddObserver(ObserverImpl<ReturnT, ParamT>* observer) {
    observer_ = observer;
    observer->AddReceiver(this);
  }
  void RemoveObserver() {
    if (observer_ != nullptr) observer_->RemoveReceiver(this);
    observer_ = nullptr;
  }
  virtual ReturnT Receive(ParamT param, const std::string& item) = 0;

 private:
  ObserverImpl<ReturnT, ParamT>* observer_ = nullptr;
};

}  // namespace DuiLib
