#include <gtest/gtest.h>
#include <json/reader.h>

#include <memory>
#include <sstream>

#include "pipeline/ListedEntry.h"
#include "pipeline/RemotePicture.h"

namespace {

CldFileInfo Entry(const std::string& name, int32_t type, const std::string& hash = "") {
  CldFileInfo info;
  info.name = name;
  info.type = type;
  info.hash = hash;
  return info;
}

Json::Value Parse(const std::string& text) {
  Json::Value v;
  std::istringstream in(text);
  std::string errors;
  EXPECT_TRUE(Json::parseFromStream(Json::CharReaderBuilder(), in, &v, &errors)) << text;
  return v;
}

}  // namespace

TEST(RemotePictureTest, RootAndFolderPathsAndLookupsByPath) {
  RemotePicture p;
  p.Add(10, -1, Entry("kvsfodra", 0));
  p.Add(11, 10, Entry("A", 2));
  p.Add(12, 11, Entry("B", 2));
  EXPECT_EQ(p.RootId(), 10);
  std::string path;
  ASSERT_TRUE(p.FindPath(12, &path));
  EXPECT_EQ(path, "kvsfodra\\A\\B");
  EXPECT_EQ(p.FindIdByPath("kvsfodra"), 10);
  EXPECT_EQ(p.FindIdByPath("kvsfodra\\A"), 11);
  EXPECT_EQ(p.FindIdByPath("A"), RemotePicture::kNone);
  EXPECT_EQ(p.FindIdByPath("kvsfodra\\a"), RemotePicture::kNone) << "case-sensitive";
  EXPECT_TRUE(p.HasChildren(10));
  EXPECT_FALSE(p.HasChildren(12)) << "a listed folder is known but has no children yet";
  EXPECT_EQ(p.FolderCount(), 3u);
}

TEST(RemotePictureTest, ChildLookupGivesTheSmallestIdOfTheNameAndComparesItsHash) {
  RemotePicture p;
  p.Add(1, -1, Entry("kvsfodra", 0));
  p.Add(9, 1, Entry("x", 1, "h9"));
  p.Add(5, 1, Entry("x", 1, "h5"));
  p.Add(7, 1, Entry("y", 1, "hy"));
  p.Add(5, 1, Entry("x", 1, "changed"));  // an existing key stays as it was
  int64_t id = -1;
  EXPECT_TRUE(p.FindChild(1, "x", "h5", &id));
  EXPECT_EQ(id, 5);
  EXPECT_FALSE(p.FindChild(1, "x", "h9", &id)) << "only the first match in id order counts";
  EXPECT_EQ(id, 5);
  EXPECT_FALSE(p.FindChild(1, "X", "h5", &id));
  EXPECT_EQ(id, 0);
  EXPECT_FALSE(p.FindChild(2, "x", "h5", &id));
  EXPECT_EQ(id, 0);
}

// What an upload leaves held is found by the next comparison, before any listing.
TEST(RemotePictureTest, HeldFileReplacesItsListedEntryOrJoinsItsKnownFolder) {
  RemotePicture p;
  p.Add(1, -1, Entry("kvsfodra", 0));
  p.Add(2, 1, Entry("A", 2));
  p.Add(5, 2, Entry("x", 1, "old"));
  p.Held(5, 2, Entry("x", 1, "new"));
  p.Held(6, 2, Entry("y", 1, "hy"));
  p.Held(8, 99, Entry("z", 1, "hz"));  // folder not known: its listing will show it
  int64_t id = -1;
  EXPECT_TRUE(p.FindChild(2, "x", "new", &id));
  EXPECT_EQ(id, 5);
  EXPECT_FALSE(p.FindChild(2, "x", "old", &id));
  EXPECT_TRUE(p.FindChild(2, "y", "hy", &id));
  EXPECT_EQ(id, 6);
  EXPECT_FALSE(p.HasChildren(99));
  EXPECT_EQ(p.PendingCount(), 0u);
}

TEST(RemotePictureTest, PendingEntriesAttachOnceTheirParentIsKnown) {
  RemotePicture p;
  p.Add(1, -1, Entry("kvsfodra", 0));
  p.Add(30, 20, Entry("deep", 2));  // its parent comes later
  p.Add(40, 99, Entry("orphan", 1));
  p.Add(20, 1, Entry("mid", 2));
  EXPECT_EQ(p.PendingCount(), 2u);
  p.AttachPending();
  EXPECT_EQ(p.PendingCount(), 1u) << "an entry whose parent is never listed stays";
  EXPECT_TRUE(p.HasChildren(20));
  EXPECT_EQ(p.FindIdByPath("kvsfodra\\mid\\deep"), RemotePicture::kNone)
      << "its path was formed when the parent had none";
  int64_t id = 0;
  EXPECT_TRUE(p.FindChild(20, "deep", "", &id));
  EXPECT_EQ(id, 30);
  p.Clear();
  EXPECT_EQ(p.FolderCount(), 0u);
  EXPECT_EQ(p.FindIdByPath("kvsfodra"), RemotePicture::kNone);
  EXPECT_FALSE(p.FindChild(1, "mid", "", &id));
  EXPECT_EQ(p.RootId(), 1) << "the root id outlives a clear";
}

TEST(ListedEntryTest, SixtyFourBitValuesAreReadAndUnusableFieldsRefused) {
  ListedEntry e;
  ASSERT_TRUE(e.Read(Parse(R"({"id": 5000000000, "pid": -1, "name": "big", "type": 1,
      "hash": "abc123", "size": 5368709120, "breakPoint": 4294967296, "status": 2})")));
  EXPECT_EQ(e.id, 5000000000);
  EXPECT_EQ(e.pid, -1);
  EXPECT_EQ(e.info.size, 5368709120);
  EXPECT_EQ(e.info.breakPoint, 4294967296);
  EXPECT_EQ(e.info.status, 2);
  EXPECT_EQ(e.info.hash, "abc123");
  const char* base = R"({"id": 1, "pid": 2, "name": "n", "type": 1, "hash": "h", "size": 3,
      "breakPoint": 0, "status": 1, )";
  for (const char* bad :
       {R"("status": -1})", R"("size": "12"})", R"("type": 1.5})", R"("breakPoint": -4})"}) {
    std::string text = std::string(base) + bad;
    // the later duplicate key wins in JsonCpp
    EXPECT_FALSE(ListedEntry().Read(Parse(text))) << bad;
  }
  EXPECT_FALSE(ListedEntry().Read(Parse(R"({"pid": 2, "name": "n"})")));
  EXPECT_FALSE(ListedEntry().Read(Parse("[1]")));
}
