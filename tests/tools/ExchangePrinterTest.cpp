// How many lines the simulator prints under a flood, and what the summary of
// the lines it left out says, on a clock the test moves.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/sim/ExchangePrinter.h"

namespace {

using Kind = ExchangePrinter::Kind;
using std::chrono::milliseconds;

struct Written {
  std::string text;  // the line without its time of day
  bool error = false;
};

class Printer {
 public:
  explicit Printer(std::uint64_t limit)
      : printer_(limit, [this](const std::string& line, bool error) {
          written_.push_back({line.substr(12), error});
        }) {}

  // A datagram line at `ms` after the start; `built` counts the lines built.
  void At(int ms, Kind kind, const std::string& text) {
    printer_.Print(kind, Time(ms), [&] {
      ++built_;
      return "00:00:00.000" + text;
    });
  }
  void Tick(int ms) { printer_.Tick(Time(ms)); }
  long NextTickMs() const {
    const auto next = printer_.NextTick();
    return next ? std::chrono::duration_cast<milliseconds>(*next - start_).count() : -1;
  }
  ExchangePrinter& Get() { return printer_; }
  const std::vector<Written>& Lines() const { return written_; }
  int Built() const { return built_; }

 private:
  ExchangePrinter::Clock::time_point Time(int ms) const { return start_ + milliseconds(ms); }

  ExchangePrinter::Clock::time_point start_ = ExchangePrinter::Clock::now();
  std::vector<Written> written_;
  int built_ = 0;
  ExchangePrinter printer_;
};

TEST(ExchangePrinter, PrintsUpToTheLimitEachSecondAndSaysHowManyItLeftOut) {
  Printer p(2);
  p.At(0, Kind::Received, " a");
  p.At(10, Kind::Sent, " b");
  EXPECT_EQ(p.NextTickMs(), -1);  // nothing held back: no reason to wake
  p.At(20, Kind::Received, " c");
  p.At(30, Kind::Sent, " d");
  p.At(40, Kind::Dropped, " e");
  p.At(50, Kind::Sent, " f");
  EXPECT_EQ(p.Built(), 2);  // a line left out is never built
  EXPECT_EQ(p.NextTickMs(), 1000);
  p.Tick(999);
  EXPECT_EQ(p.Lines().size(), 2U);
  p.Tick(1000);
  ASSERT_EQ(p.Lines().size(), 3U);
  EXPECT_EQ(p.Lines()[2].text, "  [...]  not printed: 1 received, 2 sent, 1 dropped  (more than 2 lines a second)");
  EXPECT_EQ(p.NextTickMs(), -1);

  // The next second starts with the next line, however long after.
  p.At(5000, Kind::Received, " g");
  p.At(5999, Kind::Sent, " h");
  p.At(5999, Kind::SendFailed, "telvane-sim: cannot send");
  p.At(6000, Kind::SendFailed, "telvane-sim: cannot send");  // a new second: printed, on standard error
  ASSERT_EQ(p.Lines().size(), 7U);
  EXPECT_EQ(p.Lines()[3].text, " g");
  EXPECT_EQ(p.Lines()[5].text, "  [...]  not printed: 1 failed to send  (more than 2 lines a second)");
  EXPECT_FALSE(p.Lines()[5].error);
  EXPECT_TRUE(p.Lines()[6].error);

  // Stopping says at once what the current second held back.
  p.At(6001, Kind::Received, " i");
  p.At(6002, Kind::Received, " j");
  p.Get().Flush();
  ASSERT_EQ(p.Lines().size(), 9U);
  EXPECT_EQ(p.Lines()[8].text, "  [...]  not printed: 1 received  (more than 2 lines a second)");
  p.Get().Flush();
  EXPECT_EQ(p.Lines().size(), 9U);
}

TEST(ExchangePrinter, WithoutALimitPrintsEveryLine) {
  Printer p(0);
  for (int i = 0; i < 1000; ++i) p.At(0, Kind::Received, " x");
  p.Get().Flush();
  EXPECT_EQ(p.Lines().size(), 1000U);
  EXPECT_EQ(p.NextTickMs(), -1);
}

}  // namespace
