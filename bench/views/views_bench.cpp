// The entry views at their largest: "Save list as..." of a million entries
// in CSV, beside the text export of the same list in the same run (the
// yardstick), and the full view of a 64 KiB entry with its hex dump, beside
// the same view without it.
//
//   views_bench [--entries N] [--runs R]
//
// The list holds N (default 1000000) entries, a sent line and its reply in
// turn, as an exchange with the instrument lists them: the line
// "<STX>0,1,INFO?<ETX><179>" and a 40-byte frame. Each of R (default 3)
// rounds saves the list as text, then as CSV, and opens the full view of a
// 65,507-byte entry without and with the hex dump, to the end of its first
// paint. The machine's load average is printed before and after.
#include <QApplication>
#include <QInputDialog>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "notation/HexDump.h"
#include "platform/ProgramFont.h"
#include "platform/QtPlatform.h"
#include "traffic/ListExport.h"
#include "traffic/TrafficListModel.h"

namespace {

std::string LoadAverage() {
  std::ifstream file("/proc/loadavg");
  std::string line;
  std::getline(file, line);
  return line;
}

double TimeMs(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Shows the box and waits for its first paint.
void ShowAndPaint(QInputDialog& box) {
  box.show();
  if (!QTest::qWaitForWindowExposed(&box)) std::fprintf(stderr, "the box was not shown\n");
  box.grab();  // paints every child once, as the first frame does
  box.hide();
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setFont(DialogFont());
  std::uint64_t entries = 1'000'000;
  int runs = 3;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    if (name == "--entries")
      entries = std::stoull(argv[i + 1]);
    else if (name == "--runs")
      runs = std::stoi(argv[i + 1]);
    else {
      std::fprintf(stderr, "usage: views_bench [--entries N] [--runs R]\n");
      return 1;
    }
  }
  QTemporaryDir folder;
  if (!folder.isValid()) return 2;
  const std::string dir = folder.path().toStdString();
  std::printf("load average before: %s\n", LoadAverage().c_str());

  TrafficListModel model({dir}, TrafficStore::Limits{});
  const std::string line = "<STX>0,1,INFO?<ETX><179>";
  const std::string reply =
      "\x02"
      "0,1,OK,12.345,-0.5,T=23.4,P=1013.2\x03\x3F";
  std::int64_t time = 1'796'691'723'000'000;
  for (std::uint64_t n = 0; n < entries; ++n, time += 250) {
    model.Append(n % 2 == 0 ? EntryKind::Outgoing : EntryKind::IncomingDisplay, time, n % 2 == 0 ? line : reply);
  }
  model.Commit();
  model.SettleStore();

  const std::string text = dir + "/list.txt";
  const std::string csv = dir + "/list.csv";
  const std::string big(65507, '\xB3');
  std::vector<double> textMs;
  std::vector<double> csvMs;
  std::vector<double> plainViewMs;
  std::vector<double> hexViewMs;
  for (int run = 0; run < runs; ++run) {
    bool ok = true;
    textMs.push_back(TimeMs([&] { ok &= ExportList(model, entries, text, {}).status.Ok(); }));
    csvMs.push_back(TimeMs([&] { ok &= ExportList(model, entries, csv, {}, ExportFormat::Csv).status.Ok(); }));
    if (!ok) std::fprintf(stderr, "an export failed\n");
    plainViewMs.push_back(TimeMs([&] { ShowAndPaint(*NewInputBox("Line data content: 1", "", big)); }));
    hexViewMs.push_back(TimeMs([&] {
      ShowAndPaint(*NewInputBoxWithHex("Line data content: 1", "", big, "Bytes in the datagram: 65507", HexDump(big)));
    }));
    std::printf(
        "run %d: save as text %.0f ms, as CSV %.0f ms; full view of 65,507 bytes without hex %.1f ms, with hex "
        "%.1f ms\n",
        run + 1, textMs.back(), csvMs.back(), plainViewMs.back(), hexViewMs.back());
    std::fflush(stdout);
  }
  std::printf("files: text %.1f MiB, CSV %.1f MiB\n", static_cast<double>(std::filesystem::file_size(text)) / 1048576,
              static_cast<double>(std::filesystem::file_size(csv)) / 1048576);
  std::printf(
      "RESULT views: %llu entries: save as CSV %.0f ms (median of %d), as text %.0f ms; full view of a 64 KiB entry "
      "with hex %.1f ms, without %.1f ms\n",
      static_cast<unsigned long long>(entries), Median(csvMs), runs, Median(textMs), Median(hexViewMs),
      Median(plainViewMs));
  std::printf("load average after: %s\n", LoadAverage().c_str());
  return 0;
}
