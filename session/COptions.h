// The process-wide settings and session: the account's cookies and the
// request texts derived from them, the account's row in the user table, the
// data folder with its databases, a few upload settings, and the state words
// through which the windows and the workers coordinate.
//
// Threads: the cookie texts are written by the link thread and copied by
// request threads, so they sit behind a lock and are read through copies.
// The state words are atomics: the user-interface thread and the link thread
// both touch them. The remaining fields are set at start-up, before any
// worker reads them.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/MessageQueue.h"
#include "session/StateWords.h"
#include "sqlite/DbSchema.h"

class COptions {
 public:
  // domain, name, value, path
  using CookieRecord = std::vector<std::string>;

  // The one instance, created on first call. Not guarded: the first call
  // happens before a second thread could make one.
  static COptions& Instance();

  COptions();
  ~COptions();
  COptions(const COptions&) = delete;
  COptions& operator=(const COptions&) = delete;

  // Finds the data folder and prepares the three databases below it.
  bool LoadStorage();
  // Looks the account up in the user table and sets m_userId.
  bool FindUser();
  // Adds the account to the user table and sets m_userId.
  void AddUser();

  // The link calls these for every message that carries cookies, in this
  // order: ClearCookies, AddCookie for each record, BuildCookieHeader,
  // BuildSessionParam. Any thread.
  void ClearCookies();
  void AddCookie(CookieRecord record);
  void BuildCookieHeader();
  void BuildSessionParam();

  // Copies, taken under the cookie lock. Any thread.
  std::string CookieHeader() const;
  std::string SessionParam() const;
  std::string UserAccount() const;
  std::vector<CookieRecord> Cookies() const;

  // m_dataRoot + "/" + the database's file below it.
  std::string DatabasePath(dbschema::Database db) const;

  int32_t m_taskContextValue = 8;  // copied into every new upload task context
  std::string m_defaultDataDir = "E:\\fodra\\.kvd";
  std::string m_defaultRootDir = "E:\\fodra";
  int32_t m_retryCount = 5;
  int32_t m_keepUploadCache = 0;
  int32_t m_userId = 0;
  uint8_t m_dbResetNeeded = 1;
  std::string m_dataRoot;
  // A user-data folder named on the command line; replaces the default one.
  std::string m_userDataOverride;
  int32_t m_uploadSpeedLimitKb = 0;
  std::atomic<BusyState> m_busy{BusyState::kIdle};
  std::atomic<BusyState> m_lastTxStatus{BusyState::kNothingRecorded};
  std::atomic<int32_t> m_currentSpeed{0};
  std::atomic<PeerEvent> m_peerEvent{PeerEvent::kNone};
  std::atomic<WorkState> m_workState{WorkState::kNotStarted};
  std::string m_appDir;
  // The one target of worker notifications (the drop window), set once by
  // start-up; workers read it when they post (see NotifyTarget).
  std::atomic<platform::HWND> m_dropWnd{nullptr};

 private:
  void FindDataFolder();
  // Whether the three database files exist and look sound. A damaged file
  // makes it move the kvd folder aside; *failed is set when a file cannot be
  // read at all.
  bool DatabasesPresent(bool* failed);
  bool MoveDamagedFolder(const std::string& damagedFile);
  std::string AccountForSql() const;

  mutable std::mutex m_cookieLock;
  std::vector<CookieRecord> m_cookies;  // GUARDED_BY(m_cookieLock)
  std::string m_sessionParam;           // GUARDED_BY(m_cookieLock)
  std::string m_cookieHeader;           // GUARDED_BY(m_cookieLock)
  std::string m_userAccount;            // GUARDED_BY(m_cookieLock)
};
