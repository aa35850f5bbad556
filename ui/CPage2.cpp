#include "ui/CPage2.h"

#include "duilib/CBoxLayoutUI.h"
#include "duilib/CListContainerElementUI.h"
#include "duilib/CPaintManagerUI.h"
#include "platform/TextEncoding.h"
#include "session/COptions.h"
#include "sqlite/DbSchema.h"
#include "ui/CItemBuilder.h"
#include "ui/ItemAttributes.h"
#include "util/CommonUtils.h"

using namespace DuiLib;

namespace {

constexpr int kNameBytes = 44;
constexpr size_t kPathBytes = 45;
constexpr size_t kPathCutBytes = 40;

// Nothing for 0, "." and d below 100, else "." and d / 10.
std::string Decimals(int64_t d) {
  if (d == 0) return "";
  return "." + std::to_string(d < 100 ? d : d / 10);
}

}  // namespace

DUI_BEGIN_MESSAGE_MAP(CPage2, CNotifyPump)
DUI_ON_MSGTYPE(DUI_MSGTYPE_CLICK, OnIgnored)
DUI_ON_MSGTYPE(DUI_MSGTYPE_SELECTCHANGED, OnIgnored)
DUI_ON_MSGTYPE(DUI_MSGTYPE_ITEMCLICK, OnIgnored)
DUI_END_MESSAGE_MAP()

CPage2::CPage2() : CPage2(COptions::Instance().DatabasePath(dbschema::Database::kLog)) {}

CPage2::CPage2(const std::string& databasePath) : m_db(databasePath) {
  if (!m_db.IsOpen()) m_db.Open();
}

CPage2::~CPage2() {
  m_db.Close();
}

std::string CPage2::SizeText(int64_t bytes) {
  const int64_t k = bytes / 1024;
  if (k <= 1024) return std::to_string(k == 0 ? 1 : k) + "KB";
  const int64_t m = k / 1024;
  if (m <= 1000) return std::to_string(m) + Decimals(k % 1000) + "MB";
  return std::to_string(m / 1024) + Decimals(m % 1000) + "G";
}

std::string CPage2::StatusText(int type) {
  return type == 1 ? "秒传" : "已完成";
}

std::string CPage2::PathText(const std::string& path) {
  if (path.size() < kPathBytes) return path;
  return path.substr(0, platform::Utf8SafeCut(path, kPathCutBytes)) + "...";
}

CListUI* CPage2::List() {
  if (m_list == nullptr && m_manager != nullptr)
    m_list = static_cast<CListUI*>(m_manager->FindControl("hist_list_tab"));
  return m_list;
}

void CPage2::RemoveAllItems() {
  if (CListUI* list = List()) list->RemoveAll();
}

void CPage2::Reload() {
  RemoveAllItems();
  if (!m_db.IsOpen()) return;
  m_history.clear();
  m_db.Query("SELECT name, path, size, type FROM log where userid=" +
             std::to_string(COptions::Instance().m_userId) + " ORDER BY id DESC LIMIT 20;");
  for (const DBWrapper::Row& row : m_db.Rows()) {
    if (row.size() < 4) continue;  // a NULL column: not a row the writer made
    int64_t size = 0, type = 0;
    TryStrToInt64(row[2], &size);
    TryStrToInt64(row[3], &type);
    m_history.push_back({Utf8ToSystem(row[0]), Utf8ToSystem(row[1]), SizeText(size),
                         StatusText(static_cast<int>(type))});
  }
  CListUI* list = List();
  if (list == nullptr) return;
  for (const HistoryRecord& record : m_history) list->Add(BuildItem(record));
}

void CPage2::Clear() {
  if (m_history.empty() || !m_db.IsOpen()) return;
  m_db.executeSQL("DELETE FROM log where userid=" + std::to_string(COptions::Instance().m_userId) +
                  ";");
  m_history.clear();
  RemoveAllItems();
}

CControlUI* CPage2::BuildItem(const HistoryRecord& record) const {
  auto* element = CItemBuilder::Make<CListContainerElementUI>(itemattr::kHistoryElement);
  auto* column = new CVerticalLayoutUI;
  element->Add(column);
  column->Add(CItemBuilder::Sized("height", "5"));
  auto* row = CItemBuilder::Make<CHorizontalLayoutUI>(itemattr::kRowFixed);
  column->Add(row);
  row->Add(CItemBuilder::Sized("width", "7"));
  row->Add(CItemBuilder::Icon(record.name));
  row->Add(CItemBuilder::Sized("width", "3"));
  auto* texts = CItemBuilder::Sized<CVerticalLayoutUI>("width", "285");
  row->Add(texts);
  texts->Add(CItemBuilder::Sized("height", "3"));
  texts->Add(CItemBuilder::Text(itemattr::kNameLabel, "done_name",
                                ShortenFileName(record.name, kNameBytes)));
  texts->Add(CItemBuilder::Text(itemattr::kHistoryText, "done_path", PathText(record.path)));
  auto* figures = CItemBuilder::Sized<CVerticalLayoutUI>("width", "90");
  row->Add(figures);
  figures->Add(CItemBuilder::Text(itemattr::kHistoryText, "", record.sizeText));
  figures->Add(CItemBuilder::Text(itemattr::kHistoryText, "", record.statusText));
  column->Add(CItemBuilder::Separator(itemattr::kHistorySeparator));
  return element;
}
