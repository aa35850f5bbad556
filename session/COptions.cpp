#include "session/COptions.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <ctime>

#include "log/KvLog.h"
#include "platform/FileSystem.h"
#include "session/DataFolder.h"
#include "session/SqlQuote.h"
#include "sqlite/DBWrapper.h"

namespace {

using dbschema::Database;

constexpr Database kDatabases[] = {Database::kConfig, Database::kTxlog, Database::kLog};
constexpr char kAccountCookie[] = "cookieUserAccount";
constexpr char kSessionCookie[] = "GSESSIONID";
constexpr char kSessionLetters[] = "GSEIOND";

bool HasControlCharacter(const std::string& text) {
  for (const unsigned char ch : text) {
    if (ch < 0x20 || ch == 0x7f) return true;
  }
  return false;
}

// A user id as stored: decimal text; anything else reads as 0.
int32_t ParseId(const std::string& text) {
  int32_t value = 0;
  const char* begin = text.data();
  while (begin < text.data() + text.size() && *begin == ' ') ++begin;
  const auto result = std::from_chars(begin, text.data() + text.size(), value);
  return result.ec == std::errc() ? value : 0;
}

std::string TimeStamp() {
  char text[32] = "";
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (localtime_r(&now, &local) != nullptr)
    std::strftime(text, sizeof text, "%Y%m%d_%H%M%S", &local);
  return text;
}

}  // namespace

COptions& COptions::Instance() {
  static COptions options;
  return options;
}

COptions::COptions() = default;

COptions::~COptions() {
  KV_INFO("", "COptions::~COptions() called.");
}

std::string COptions::DatabasePath(Database db) const {
  return m_dataRoot + "/" + dbschema::RelativePath(db);
}

bool COptions::LoadStorage() {
  m_appDir = platform::ProgramFolder();
  FindDataFolder();
  if (m_dataRoot.empty()) {
    // Without a data folder the database paths would land in the file
    // system's root.
    KV_ERROR("", "COptions::LoadStorage: no user-data folder");
    return false;
  }
  bool failed = false;
  if (DatabasesPresent(&failed)) {
    m_dbResetNeeded = 0;
    return true;
  }
  if (failed) return false;
  datafolder::RemoveFolder(m_dataRoot + "/kvd");
  m_dbResetNeeded = 1;
  if (!datafolder::CreateCacheFolder(m_dataRoot)) return false;
  for (const Database db : kDatabases) {
    if (!dbschema::CreateTables(db, DatabasePath(db))) return false;
  }
  return true;
}

void COptions::FindDataFolder() {
  if (m_userDataOverride.empty()) {
    std::string folder;
    if (platform::UserDataFolder(&folder)) m_dataRoot = folder;
    return;
  }
  if (platform::PathIsDirectory(m_userDataOverride)) m_dataRoot = m_userDataOverride;
}

bool COptions::DatabasesPresent(bool* failed) {
  for (const Database db : kDatabases) {
    const std::string path = DatabasePath(db);
    switch (DBWrapper::CheckFile(path)) {
      case DBWrapper::FileCheck::kSqlite:
        continue;
      case DBWrapper::FileCheck::kMissing:
        return false;
      case DBWrapper::FileCheck::kUnreadable:
        KV_ERROR("", "COptions::LoadStorage: %s could not be read", path.c_str());
        *failed = true;
        return false;
      case DBWrapper::FileCheck::kNotSqlite:
        *failed = !MoveDamagedFolder(path);
        return false;
    }
  }
  return true;
}

// A damaged database would fail every start; keep it for inspection and let
// the caller rebuild a fresh folder.
bool COptions::MoveDamagedFolder(const std::string& damagedFile) {
  const std::string kvd = m_dataRoot + "/kvd";
  const std::string base = kvd + "_damaged_" + TimeStamp();
  std::string target = base;
  for (int n = 2; platform::PathFileExists(target); ++n) target = base + "_" + std::to_string(n);
  if (std::rename(kvd.c_str(), target.c_str()) != 0) {
    KV_ERROR("", "COptions::LoadStorage: %s is not a SQLite 3 database; moving %s aside failed: %d",
             damagedFile.c_str(), kvd.c_str(), errno);
    return false;
  }
  KV_ERROR("", "COptions::LoadStorage: %s is not a SQLite 3 database; %s moved aside to %s",
           damagedFile.c_str(), kvd.c_str(), target.c_str());
  return true;
}

std::string COptions::AccountForSql() const {
  // The system code page is UTF-8, so the account goes in as it is.
  return SqlQuote(UserAccount());
}

bool COptions::FindUser() {
  const std::string path = DatabasePath(Database::kConfig);
  if (!platform::PathFileExists(path)) return false;
  DBWrapper db(path);
  if (!db.Open()) return false;
  m_userId = 0;
  db.Query("select * from user where name='" + AccountForSql() + "';");
  const std::vector<DBWrapper::Row> rows = db.Rows();
  if (rows.size() == 1 && !rows[0].empty()) m_userId = ParseId(rows[0][0]);
  db.Close();
  return m_userId != 0;
}

void COptions::AddUser() {
  const std::string path = DatabasePath(Database::kConfig);
  if (!platform::PathFileExists(path)) return;
  DBWrapper db(path);
  if (!db.Open()) return;
  db.Query("SELECT MAX(id) AS maxId FROM user;");
  const std::vector<DBWrapper::Row> rows = db.Rows();
  m_userId = rows.size() == 1 && !rows[0].empty() ? ParseId(rows[0][0]) + 1 : 1;
  db.executeSQL("INSERT INTO user VALUES(NULL,'" + AccountForSql() + "');");
  db.Close();
}

void COptions::ClearCookies() {
  std::lock_guard<std::mutex> lock(m_cookieLock);
  m_cookies.clear();
}

void COptions::AddCookie(CookieRecord record) {
  record.resize(4);
  // The name and value go into the Cookie header line and the session
  // parameter: a line break there would write headers of the client's choosing.
  if (HasControlCharacter(record[1]) || HasControlCharacter(record[2])) {
    KV_ERROR("", "COptions: a cookie with control characters in its name or value is refused");
    return;
  }
  std::lock_guard<std::mutex> lock(m_cookieLock);
  if (record[1] == kAccountCookie) m_userAccount = record[2];
  m_cookies.push_back(std::move(record));
}

void COptions::BuildCookieHeader() {
  std::lock_guard<std::mutex> lock(m_cookieLock);
  m_cookieHeader.clear();
  for (const CookieRecord& cookie : m_cookies) m_cookieHeader += cookie[1] + "=" + cookie[2] + ";";
}

void COptions::BuildSessionParam() {
  std::lock_guard<std::mutex> lock(m_cookieLock);
  m_sessionParam.clear();
  for (const CookieRecord& cookie : m_cookies) {
    for (const std::string& text : cookie) {
      if (text.find(kSessionCookie) == std::string::npos) continue;
      if (std::string(kSessionLetters).find(text[0]) == std::string::npos) continue;
      std::string name = text;
      name.replace(0, 10, "gSessionId");
      m_sessionParam = name + "=" + cookie[2];
      return;
    }
  }
}

std::string COptions::CookieHeader() const {
  std::lock_guard<std::mutex> lock(m_cookieLock);
  return m_cookieHeader;
}

std::string COptions::SessionParam() const {
  std::lock_guard<std::mutex> lock(m_cookieLock);
  return m_sessionParam;
}

std::string COptions::UserAccount() const {
  std::lock_guard<std::mutex> lock(m_cookieLock);
  return m_userAccount;
}

std::vector<COptions::CookieRecord> COptions::Cookies() const {
  std::lock_guard<std::mutex> lock(m_cookieLock);
  return m_cookies;
}
