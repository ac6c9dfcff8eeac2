#include <gtest/gtest.h>

#include <string>

#include "core/ModFormat.h"

namespace {

struct ExtractCase {
  const char* source;
  int index;
  bool numbersOnly;
  std::string separator;
  const char* expected;
};

class Extract : public ::testing::TestWithParam<ExtractCase> {};

TEST_P(Extract, ReturnsTheField) {
  const ExtractCase& c = GetParam();
  EXPECT_EQ(fkt_FormatExtractSpecParameter(c.source, static_cast<std::uint8_t>(c.index), c.numbersOnly, c.separator),
            c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Extract,
    ::testing::Values(ExtractCase{"a,b,,c", 3, false, ",", ""}, ExtractCase{"a,b,,c", 4, false, ",", "c"},
                      ExtractCase{"a,b,,c", 5, false, ",", ""}, ExtractCase{"a,b,,c", 1, false, ",", "a"},
                      ExtractCase{"1.5 V;-2", 1, true, ";", "1.5"}, ExtractCase{"1.5 V;-2", 2, true, ";", "-2"},
                      ExtractCase{"a-1.b2.3", 2, true, ".", "2"}, ExtractCase{"a-1.b2.3", 2, false, ".", "b2"},
                      ExtractCase{"a-1.b2.3", 5, false, ".", ""}, ExtractCase{"abc", 0, false, ",", ""},
                      // A separator that is not one character never matches.
                      ExtractCase{"a,b", 1, false, "", "a,b"}, ExtractCase{"a,b", 1, false, ",,", "a,b"},
                      ExtractCase{"", 1, false, ",", ""}));

TEST(ModFormat, ExtractsTheTextBeforeTheFirstNul) {
  const std::string buffer = std::string("/var/lib") + '\0' + std::string(20, ' ');
  EXPECT_EQ(fkt_FormatExtractSpecParameter(buffer, 1, false, fktFormatChr(0)), "/var/lib");
}

TEST(ModFormat, ChrGivesOneByteOrNothing) {
  EXPECT_EQ(fktFormatChr(0), std::string(1, '\0'));
  EXPECT_EQ(fktFormatChr(179), "\xB3");
  EXPECT_EQ(fktFormatChr(255), "\xFF");
  EXPECT_EQ(fktFormatChr(300), "");
  EXPECT_EQ(fktFormatChr(-1), "");
}

}  // namespace
