// A job that writes one batch of statements to one database file inside one
// transaction, retrying a failed attempt after 1500 ms, at most nine attempts.
// Runs on a pool thread of the database writer, with its own connection.
#pragma once

#include <memory>

#include "FTL/CFJobBase.h"
#include "sqlite/DBWrapper.h"
#include "store/CWriteDbParam.h"

class CWriteDbHandler : public FTL::CFJobBase<CWriteDbParam*> {
 public:
  static constexpr int kMaxAttempts = 9;
  static constexpr uint32_t kRetryPauseMs = 1500;

  // Takes the parameter.
  explicit CWriteDbHandler(CWriteDbParam* p) : CFJobBase(p) {}
  ~CWriteDbHandler() override;

  bool Prepare() override;
  void Run() override;

 private:
  // One attempt: true when the batch was committed.
  bool TryWrite();
  void CloseDb();

  std::unique_ptr<DBWrapper> m_db;  // opened per attempt, closed after it
};
