// "Save list as..." in CSV: one row per entry with its date and time, direction,
// length, content in notation, block-check verdict and reply time.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "core/AppSettings.h"
#include "tests/support/FakePlatform.h"
#include "traffic/CsvRows.h"
#include "traffic/ListExport.h"
#include "traffic/TrafficListModel.h"

namespace {

// 2024-06-01 01:02:03.004005 UTC.
constexpr std::int64_t kTime = 1'717'200'000'000'000 + 3'723'004'005;
constexpr std::int64_t kDay = 86'400'000'000;
constexpr std::string_view kHeader = "Time (UTC),Direction,Length,Entry,Block check,Reply time (us)\r\n";

class CsvExport : public ::testing::Test {
 protected:
  std::string Rows() {
    CsvRows rows(model);
    std::string out;
    for (std::uint64_t entry = 0; entry < model.EntryCount(); ++entry) {
      rows.Append(model.Store().EntryMeta(entry), model.Store().EntryBytes(entry), out);
    }
    return out;
  }
  FakePlatform platform;
  TrafficListModel model;
};

TEST_F(CsvExport, RowsHoldTimeDirectionLengthEntryVerdictAndReplyTime) {
  const struct {
    EntryKind kind;
    std::int64_t time;
    std::string bytes;
    std::string row;
  } cases[] = {
      {EntryKind::Outgoing, kTime, "<STX>0,1,INFO?<ETX><179>",
       "2024-06-01T01:02:03.004005Z,out,12,\"<STX>0,1,INFO?<ETX><179>\",,"},
      {EntryKind::IncomingDisplay, kTime + 412,
       "\x02"
       "0,1,INFO?\x03\xB3",
       "2024-06-01T01:02:03.004417Z,in,12,\"<2>0,1,INFO?<3><179>\",right,412"},
      // Not right after a send: no reply time.
      {EntryKind::IncomingDisplay, kTime + 1000,
       "\x02"
       "0,1,INFO?\x03\xB4",
       R"(2024-06-01T01:02:03.005005Z,in,12,"<2>0,1,INFO?<3><180>","wrong, expected <179> received <180>",)"},
      {EntryKind::OutgoingRaw, kTime + 2000,
       "\x02"
       "A\x03"
       "B\x02"
       "C\x03"
       "C",
       "2024-06-01T01:02:03.006005Z,out,8,<2>A<3>B<2>C<3>C,,"},
      // Raw display: the entry shows no time, the row has it all the same.
      {EntryKind::IncomingRaw, kTime + 2500,
       "\x02"
       "0,1,INFO?\x03\xB3\x02"
       "0,1,INFO?\x03\xB4",
       "2024-06-01T01:02:03.006505Z,in,24,\"<2>0,1,INFO?<3><179><2>0,1,INFO?<3><180>\","
       "\"wrong, expected <179> received <180> (frame 2 of 2)\",500"},
      // Quotes doubled; a comma, quote, CR or LF makes the field quoted.
      {EntryKind::Outgoing, kTime + kDay, "say \"hi\", ok", R"(2024-06-02T01:02:03.004005Z,out,12,"say ""hi"", ok",,)"},
      {EntryKind::IncomingDisplay, kTime + kDay + 7, "\r\n", "2024-06-02T01:02:03.004012Z,in,2,<13><10>,not a frame,7"},
      // Before 1970 and at midnight.
      {EntryKind::IncomingDisplay, -1, "x", "1969-12-31T23:59:59.999999Z,in,1,x,not a frame,"},
      {EntryKind::IncomingDisplay, 0, "", "1970-01-01T00:00:00.000000Z,in,0,,not a frame,"},
      // A typed line that a spreadsheet would read as a formula starts with
      // the code of its first character: the same line in the notation.
      {EntryKind::Outgoing, kTime, "=1+1", "2024-06-01T01:02:03.004005Z,out,4,<61>1+1,,"},
      {EntryKind::Outgoing, kTime, "-2,3", "2024-06-01T01:02:03.004005Z,out,4,\"<45>2,3\",,"},
      {EntryKind::Outgoing, kTime, "+x", "2024-06-01T01:02:03.004005Z,out,2,<43>x,,"},
      {EntryKind::Outgoing, kTime, "@x", "2024-06-01T01:02:03.004005Z,out,2,<64>x,,"},
      {EntryKind::Outgoing, kTime, "a=1", "2024-06-01T01:02:03.004005Z,out,3,a=1,,"},
      // Bytes of the 8-bit code page become UTF-8.
      {EntryKind::Outgoing, kTime, "M\xE4\xDF\x80",
       "2024-06-01T01:02:03.004005Z,out,4,M\xC3\xA4\xC3\x9F\xE2\x82\xAC,,"},
  };
  std::string expected;
  for (const auto& c : cases) {
    model.Append(c.kind, c.time, c.bytes);
    expected += c.row + "\r\n";
  }
  EXPECT_EQ(Rows(), expected);
}

TEST_F(CsvExport, TheFileIsUtf8WithAHeaderRowAndRowsEndedByCrLf) {
  model.Append(EntryKind::Outgoing, kTime, "<STX>0,1,INFO?<ETX><179>");
  model.Append(EntryKind::IncomingDisplay, kTime + 412,
               "\x02"
               "0,1,INFO?\x03\xB3");
  const auto path = platform.root / "list.csv";
  const ExportResult result = ExportList(model, model.EntryCount(), path, {}, ExportFormat::Csv);
  ASSERT_TRUE(result.status.Ok());
  EXPECT_EQ(ReadFile(path), std::string("\xEF\xBB\xBF") + std::string(kHeader) +
                                "2024-06-01T01:02:03.004005Z,out,12,\"<STX>0,1,INFO?<ETX><179>\",,\r\n"
                                "2024-06-01T01:02:03.004417Z,in,12,\"<2>0,1,INFO?<3><179>\",right,412\r\n");
  // The text format is unchanged.
  ASSERT_TRUE(ExportList(model, model.EntryCount(), path, {}).status.Ok());
  EXPECT_EQ(ReadFile(path),
            "01:02:03.004  [OUT]  <STX>0,1,INFO?<ETX><179>\r\n"
            "01:02:03.004  [IN]   <2>0,1,INFO?<3><179>\r\n");
}

TEST(CsvExportNotice, TheListsNoticeIsARowOfItsOwnWords) {
  FakePlatform platform;
  WriteFile(platform.root / "plain-file", "x");
  // A tiny memory limit and no folder for the file: the store stops listing.
  TrafficListModel model({(platform.root / "plain-file" / "cache").string()},
                         {std::size_t{64} * 1024, 4096, 64, std::size_t{256} * 1024});
  model.Append(EntryKind::Outgoing, kTime - 1000, "x");
  for (int n = 0; n < 10'000 && !model.Store().CountingNotice(); ++n) {
    model.Append(EntryKind::IncomingDisplay, kTime, std::string(200, 'x'));
  }
  ASSERT_TRUE(model.Store().CountingNotice());
  const std::uint64_t notice = *model.Store().CountingNotice();
  AppSettings.Language = 1;
  CsvRows rows(model);
  std::string row;
  rows.Append(model.Store().EntryMeta(notice - 1), model.Store().EntryBytes(notice - 1), row);
  row.clear();
  rows.Append(model.Store().EntryMeta(notice), model.Store().EntryBytes(notice), row);
  AppSettings = {};
  const std::string reason = (platform.root / "plain-file").string() + ": Not a directory";
  EXPECT_EQ(row,
            "2024-06-01T01:02:03.004005Z,notice,,\"Not listed: datagrams received 1, lines sent 0; the list's "
            "file cannot be written (" +
                reason + ").\",,\r\n");
}

}  // namespace
