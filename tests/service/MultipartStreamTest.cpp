// The chunk endpoint's multipart parser: every split of a body into pieces
// gives the same parts and bytes, delimiter look-alikes inside the content
// stay content, and malformed bodies are told apart.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/kvup-service/MultipartStream.h"

namespace {

const std::string kBoundary = "------------------------abc123";

struct Parsed {
  std::vector<std::string> names;
  std::vector<std::string> contents;
  bool fed = true;
  bool complete = false;
};

// Feeds `body` in pieces of `piece` bytes (all at once when 0).
Parsed Parse(const std::string& body, size_t piece, const std::string& boundary = kBoundary) {
  Parsed p;
  MultipartStream stream(
      boundary,
      [&](const std::string& name) {
        p.names.push_back(name);
        p.contents.emplace_back();
        return true;
      },
      [&](const char* data, size_t n) {
        p.contents.back().append(data, n);
        return true;
      });
  if (piece == 0) piece = body.size();
  for (size_t at = 0; at < body.size() && p.fed; at += piece)
    p.fed = stream.Feed(body.data() + at, std::min(piece, body.size() - at));
  p.complete = stream.Complete();
  return p;
}

std::string Content() {
  std::string c = "start\r\n--" + kBoundary.substr(0, 10) + "\r\n-\r\n--x";
  for (int i = 0; i < 300; ++i) c.push_back(static_cast<char>(i * 7));
  c += "\r\n--" + kBoundary.substr(0, kBoundary.size() - 1) + "end\r\n";
  return c;
}

std::string Body(const std::string& content) {
  return "--" + kBoundary + "\r\nContent-Disposition: form-data; name=\"note\"\r\n\r\nhello\r\n--" +
         kBoundary +
         "\r\nContent-Disposition: form-data; filename=\"a.bin\"; name=\"file\"\r\n"
         "Content-Type: application/octet-stream\r\n\r\n" +
         content + "\r\n--" + kBoundary + "--\r\n";
}

}  // namespace

TEST(MultipartStreamTest, EveryPieceSizeGivesTheSameParts) {
  const std::string content = Content();
  const std::string body = Body(content);
  for (size_t piece : {size_t{0}, size_t{1}, size_t{2}, size_t{3}, size_t{5}, size_t{31},
                       size_t{32}, size_t{33}, size_t{64}, size_t{4096}}) {
    Parsed p = Parse(body, piece);
    ASSERT_TRUE(p.fed) << piece;
    EXPECT_TRUE(p.complete) << piece;
    ASSERT_EQ(p.names, (std::vector<std::string>{"note", "file"})) << piece;
    EXPECT_EQ(p.contents[0], "hello") << piece;
    EXPECT_EQ(p.contents[1], content) << piece;
  }
}

TEST(MultipartStreamTest, EverySplitInTwoGivesTheSameParts) {
  const std::string content = Content();
  const std::string body = Body(content);
  for (size_t cut = 1; cut < body.size(); ++cut) {
    Parsed p;
    MultipartStream stream(
        kBoundary,
        [&](const std::string& name) {
          p.names.push_back(name);
          p.contents.emplace_back();
          return true;
        },
        [&](const char* data, size_t n) {
          p.contents.back().append(data, n);
          return true;
        });
    ASSERT_TRUE(stream.Feed(body.data(), cut)) << cut;
    ASSERT_TRUE(stream.Feed(body.data() + cut, body.size() - cut)) << cut;
    EXPECT_TRUE(stream.Complete()) << cut;
    ASSERT_EQ(p.contents.size(), 2u) << cut;
    EXPECT_EQ(p.contents[1], content) << cut;
  }
}

TEST(MultipartStreamTest, PreambleEmptyPartAndEpilogueAreAllowed) {
  const std::string body = "preamble text\r\n--" + kBoundary + "\r\n\r\n\r\n--" + kBoundary +
                           "  \r\nContent-Disposition: form-data; name=file\r\n\r\nx\r\n--" +
                           kBoundary + "--\r\nepilogue";
  Parsed p = Parse(body, 3);
  ASSERT_TRUE(p.fed);
  EXPECT_TRUE(p.complete);
  EXPECT_EQ(p.names, (std::vector<std::string>{"", "file"}));
  EXPECT_EQ(p.contents, (std::vector<std::string>{"", "x"}));
}

TEST(MultipartStreamTest, MalformedBodiesAreNotComplete) {
  const std::string content = Content();
  const std::string body = Body(content);
  Parsed cutShort = Parse(body.substr(0, body.size() - 10), 7);
  EXPECT_TRUE(cutShort.fed);
  EXPECT_FALSE(cutShort.complete);

  Parsed noDelimiter = Parse("just some bytes", 0);
  EXPECT_FALSE(noDelimiter.complete);

  Parsed junkAfterDelimiter = Parse("--" + kBoundary + "junk\r\n\r\nx\r\n--" + kBoundary + "--", 0);
  EXPECT_FALSE(junkAfterDelimiter.fed);
  EXPECT_FALSE(junkAfterDelimiter.complete);

  Parsed endlessHead = Parse("--" + kBoundary + "\r\n" + std::string(20000, 'h'), 1000);
  EXPECT_FALSE(endlessHead.fed);
}

TEST(MultipartStreamTest, ReadsBoundaryAndName) {
  std::string b;
  EXPECT_TRUE(MultipartStream::BoundaryOf("multipart/form-data; boundary=xyz", &b));
  EXPECT_EQ(b, "xyz");
  EXPECT_TRUE(MultipartStream::BoundaryOf("Multipart/Form-Data; charset=x; boundary=\"q r\"", &b));
  EXPECT_EQ(b, "q r");
  EXPECT_FALSE(MultipartStream::BoundaryOf("application/octet-stream; boundary=xyz", &b));
  EXPECT_FALSE(MultipartStream::BoundaryOf("multipart/form-data", &b));
  EXPECT_EQ(
      MultipartStream::NameOf("content-disposition: form-data; filename=\"f\"; name=\"file\""),
      "file");
  EXPECT_EQ(MultipartStream::NameOf("Content-Type: x\r\nContent-Disposition: form-data; name=a"),
            "a");
  EXPECT_EQ(MultipartStream::NameOf("Content-Type: x"), "");
}
