#include <gtest/gtest.h>
#include <json/json.h>

#include <memory>
#include <random>
#include <string>

#include "peer/StrictJson.h"

namespace {

using peer::IsStrictJson;

// A random value nested up to depth levels, with every kind of member.
Json::Value RandomValue(std::mt19937& rng, int depth) {
  const auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
  switch (depth == 0 ? pick(5) : pick(7)) {
    case 0:
      return Json::Value(pick(3) == 0 ? -pick(1000000) : pick(1000000));
    case 1:
      return Json::Value(std::uniform_real_distribution<double>(-1e9, 1e9)(rng) / (pick(1000) + 1));
    case 2: {
      std::string s;
      for (int i = pick(12); i > 0; --i) s += static_cast<char>(pick(128));  // controls included
      return Json::Value(s + "\xC3\xA9");
    }
    case 3:
      return Json::Value(pick(2) == 0);
    case 4:
      return Json::Value();
    case 5: {
      Json::Value array(Json::arrayValue);
      for (int i = pick(4); i > 0; --i) array.append(RandomValue(rng, depth - 1));
      return array;
    }
    default: {
      Json::Value object(Json::objectValue);
      for (int i = pick(4); i > 0; --i)
        object["k" + std::to_string(pick(100))] = RandomValue(rng, depth - 1);
      return object;
    }
  }
}

// Whatever a JSON writer produces, compact or indented, is JSON.
TEST(StrictJson, TakesEveryTextAJsonWriterProduces) {
  std::mt19937 rng(20240613);
  Json::StreamWriterBuilder compact;
  compact["indentation"] = "";
  Json::StreamWriterBuilder indented;
  for (int i = 0; i < 2000; ++i) {
    const Json::Value value = RandomValue(rng, 6);
    for (const Json::StreamWriterBuilder* writer : {&compact, &indented}) {
      const std::string text = Json::writeString(*writer, value);
      EXPECT_TRUE(IsStrictJson(text, 7)) << text;
    }
  }
}

TEST(StrictJson, RefusesWhatTheGrammarDoesNot) {
  const char* refused[] = {
      "",          " ",           "{",          "[1",         "[1]]",
      "{}{}",      "[1,]",        "{\"a\":1,}", "[,1]",       "{,}",
      "{\"a\"}",   "{\"a\" 1}",   "{1:1}",      "{'a':1}",    "{a:1}",
      "[01]",      "[-01]",       "[00]",       "[+1]",       "[-]",
      "[1.]",      "[.5]",        "[1e]",       "[1e+]",      "[0x1]",
      "[NaN]",     "[Infinity]",  "[tru]",      "[True]",     "[nul]",
      "[1 2]",     "/*c*/[]",     "[]//c",      "[/*c*/]",    "\xEF\xBB\xBF[]",
      "[\"\\x\"]", "[\"\\u12\"]", "[\"a",       "[\"a\tb\"]", "[\"a\nb\"]",
      "[\"\\\"]",  "\f[]",
  };
  for (const char* text : refused) EXPECT_FALSE(IsStrictJson(text, 8)) << text;
  EXPECT_FALSE(IsStrictJson(std::string("[\"a\0b\"]", 7), 8));
  EXPECT_FALSE(IsStrictJson(std::string("[1,\0 2]", 7), 8));
  for (const char* text : {"0", "-0", "\"\"", "true", " [ ] ", "[-0.0e-0,1E+9,0.5]", "{\"\":{}}",
                           "[\"\\u00e9\\/\\b\\f\\n\\r\\t\\\\\\\"\"]", "[\"\xFF\"]"}) {
    EXPECT_TRUE(IsStrictJson(text, 8)) << text;
  }
}

TEST(StrictJson, NestingLimitCountsArraysAndObjectsAlike) {
  std::string atLimit;
  for (int i = 0; i < 4; ++i)
    atLimit = i % 2 == 0 ? "[" + atLimit + "]" : "{\"a\":" + atLimit + "}";
  EXPECT_TRUE(IsStrictJson(atLimit, 4)) << atLimit;
  EXPECT_FALSE(IsStrictJson(atLimit, 3)) << atLimit;
  EXPECT_FALSE(IsStrictJson("[" + atLimit + "]", 4));
  EXPECT_FALSE(IsStrictJson("{\"b\":" + atLimit + "}", 4));
  EXPECT_TRUE(IsStrictJson("[[],{},[[]],{\"a\":[]}]", 3));
  EXPECT_FALSE(IsStrictJson(std::string(200000, '['), 1000));
}

}  // namespace
