#include "model/json_reader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace vordex::model {
namespace {

constexpr int kDepth = 8;

bool Parses(const std::string& text, JsonDocument& document, JsonError& error) {
  return ParseJson(text, kDepth, document, error);
}

TEST(JsonReader, NumbersReadAsStrtodReadsThem) {
  // Shortest round-trip decimals, halfway cases, subnormals and the largest double: the reader's
  // from_chars and the C library's strtod are both correctly rounded.
  const std::vector<std::string> numbers = {"0.1",
                                            "-2.1984094113526183e-07",
                                            "1.0000015674623688",
                                            "9007199254740993",
                                            "2.2250738585072011e-308",
                                            "4.9e-324",
                                            "1e-400",
                                            "1.7976931348623157e308",
                                            "123456789012345678901234567890",
                                            "-0.0",
                                            "6.02214076E+23"};
  for (const std::string& number : numbers) {
    JsonDocument document;
    JsonError error;
    ASSERT_TRUE(Parses("[" + number + "]", document, error)) << number << ": " << error.what;
    const double expected = std::strtod(number.c_str(), nullptr);
    const double got = document.root[0].get<double>();
    EXPECT_EQ(std::memcmp(&got, &expected, sizeof got), 0) << number;
  }
}

TEST(JsonReader, RefusesWhatIsNotJson) {
  const std::vector<std::pair<std::string, std::string>> table = {
      {"{\"a\":1,\"a\":2}", "twice"},
      {"[1] 2", "after the document"},
      {"[01]", "']'"},  // a leading zero ends the number
      {"[1.]", "after '.'"},
      {"[.5]", "not JSON"},
      {"[1e]", "exponent"},
      {"[\"\\ud800\"]", "surrogate"},
      {"[\"\xC3\x28\"]", "UTF-8"},
      {"[\"\xE0\x80\xAF\"]", "UTF-8"},  // an overlong '/'
      {"[\"a\nb\"]", "control"},
      {"[\"\\x\"]", "escape"},
      {"[tru]", "literal"},
      {"{\"a\" 1}", "':'"},
      {"[1,]", "not JSON"},
      {"[[[[[[[[[1]]]]]]]]]", "nesting"},
      {"{\"sigma2\":1e999}", "overflow"},
      {"", "end of the text"},
  };
  for (const auto& [text, reason] : table) {
    JsonDocument document;
    JsonError error;
    EXPECT_FALSE(Parses(text, document, error)) << text;
    EXPECT_NE(error.what.find(reason), std::string::npos) << text << ": " << error.what;
  }
  JsonDocument document;
  JsonError error;
  Parses("{\"sigma2\":1e999}", document, error);
  EXPECT_TRUE(error.number);
  EXPECT_EQ(error.key, "sigma2");
}

TEST(JsonReader, StringsUnescapeToUtf8AndViewTheTextOtherwise) {
  const std::string text =
      " {\"plain\": \"1960-12\", \"escaped\": \"a\\\"\\\\\\/\\n\\u00e9\\ud83d\\ude00\", "
      "\"raw\": \"\xC3\xA9\", \"n\": -3, \"u\": 18446744073709551615, \"e\": [], \"o\": {}} ";
  JsonDocument document;
  JsonError error;
  ASSERT_TRUE(Parses(text, document, error)) << error.what;
  const JsonValue& root = document.root;
  ASSERT_TRUE(root.is_object());
  EXPECT_EQ(root[root.find("plain")].get<std::string>(), "1960-12");
  EXPECT_EQ(root[root.find("escaped")].get<std::string>(), "a\"\\/\n\xC3\xA9\xF0\x9F\x98\x80");
  EXPECT_EQ(root[root.find("raw")].get<std::string>(), "\xC3\xA9");
  EXPECT_EQ(root[root.find("n")].get<std::int64_t>(), -3);
  EXPECT_FALSE(root[root.find("n")].is_number_unsigned());
  EXPECT_EQ(root[root.find("u")].get<std::uint64_t>(), 18446744073709551615u);
  EXPECT_TRUE(root[root.find("e")].is_array());
  EXPECT_EQ(root[root.find("o")].size(), 0u);
  EXPECT_FALSE(root.contains("missing"));
}

}  // namespace
}  // namespace vordex::model
