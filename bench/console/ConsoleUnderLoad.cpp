#include "bench/console/ConsoleUnderLoad.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <thread>

#include "bench/console/ProcessStats.h"
#include "bench/load/LoadDatagram.h"
#include "bench/load/LogFileCheck.h"
#include "bench/load/Loopback.h"
#include "console/ListTools.h"
#include "console/TrafficView.h"
#include "console/frmMain.h"
#include "core/AppSettings.h"
#include "dialogs/Dialogs.h"
#include "traffic/TrafficListModel.h"
#include "traffic/TrafficSession.h"
#include "traffic/UdpLink.h"

namespace {

using Clock = std::chrono::steady_clock;

// The sender starts this long after it is launched, so the trial's clock does
// not include starting a process.
constexpr int kSenderDelayMs = 200;
// The trial ends once nothing has arrived for this long after the sender quit.
constexpr double kQuietSeconds = 1.0;

[[noreturn]] void Fail(const std::string& why) { throw BenchFailure(why); }

// A socket bound to a free port on the loopback address; the port through *port.
int BoundSocket(const in_addr& address, int* port) {
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr = address;
  socklen_t length = sizeof sa;
  if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &length) != 0) {
    Fail("no free loopback port");
  }
  *port = ntohs(sa.sin_port);
  return fd;
}

// A port nobody holds right now on the loopback address.
int FreePort(const in_addr& address) {
  int port = 0;
  ::close(BoundSocket(address, &port));
  return port;
}

// Runs the event loop until done() holds or `seconds` have passed, looking
// every `stepMs`. True if done() held.
template <typename Done>
bool RunUntil(Done done, double seconds, int stepMs = 10) {
  QElapsedTimer clock;
  clock.start();
  const auto limit = static_cast<qint64>(seconds * 1000);
  QEventLoop loop;
  // Precise: a coarse timer may fire early, and the last step must not
  // come short of the limit.
  QTimer step;
  step.setTimerType(Qt::PreciseTimer);
  step.setSingleShot(true);
  QObject::connect(&step, &QTimer::timeout, &loop, &QEventLoop::quit);
  while (!done()) {
    const qint64 remaining = limit - clock.elapsed();
    if (remaining <= 0) return false;
    step.start(static_cast<int>(std::min<qint64>(stepMs, remaining)));
    loop.exec();
  }
  return true;
}

// "key=value" out of the sender's report line.
double Field(const std::string& report, const std::string& key) {
  const std::size_t at = report.find(" " + key + "=");
  return at == std::string::npos ? -1 : std::atof(report.c_str() + at + key.size() + 2);
}

// A listed entry of a received datagram: "HH:MM:SS.mmm", the tag, the bytes.
std::optional<std::uint64_t> ListedNumber(const std::string& text) {
  constexpr std::string_view kTag = "  [IN]   ";
  constexpr std::size_t kStamp = 12;
  if (text.size() < kStamp + kTag.size() || text[8] != '.' ||
      std::string_view(text).substr(kStamp, kTag.size()) != kTag) {
    return std::nullopt;
  }
  return ParseLoadDatagram(std::string_view(text).substr(kStamp + kTag.size()));
}

}  // namespace

ConsoleUnderLoad::ConsoleUnderLoad(const std::string& address, int port)
    : address_(address), platform_(folder_.path().toStdString()) {
  if (!folder_.isValid()) Fail("no temporary folder");
  const std::optional<in_addr> loopback = LoopbackAddress(address);
  if (!loopback) Fail("refusing address '" + address + "': only 127.0.0.0/8 (loopback) is allowed");
  port_ = port != 0 ? port : FreePort(*loopback);
  logPath_ = folder_.filePath("load.log").toStdString();
  WriteSettings();
}

ConsoleUnderLoad::~ConsoleUnderLoad() {
  if (window_) window_->close();
  window_.reset();
  SetPlatform(nullptr);
  if (occupier_ >= 0) ::close(occupier_);
  if (sink_ >= 0) ::close(sink_);
}

void ConsoleUnderLoad::WriteSettings() const {
  const QString dir = folder_.filePath("Kelvor/Telvane");
  if (!QDir().mkpath(dir)) Fail("cannot create " + dir.toStdString());
  std::ofstream ini((dir + "/Settings.ini").toStdString(), std::ios::binary);
  const std::string port = std::to_string(port_);
  ini << "[SETTINGS]\r\n"
      << "UdpPort=" << port << "\r\nUdpPortLocale=" << port << "\r\n"
      << "UdpAddress=" << address_ << "\r\nLocaleIpAddress=" << address_ << "\r\n"
      << "Peculiar=1\r\nLanguage=1\r\n";
  if (!ini.flush()) Fail("cannot write Settings.ini");
}

void ConsoleUnderLoad::Start() {
  SetPlatform(&platform_);
  window_ = std::make_unique<frmMain>();
  window_->Form_Load();
  // The first supervision tick binds and may send; it must not run unless the
  // settings the console actually read name loopback addresses.
  if (!LoopbackAddress(AppSettings.UdpAddress) || !LoopbackAddress(AppSettings.LocaleIpAddress)) {
    Fail("the console did not take the loopback settings; stopping before its link opens");
  }
  window_->show();
  logging_ = window_->findChild<QCheckBox*>("chkDatalogging");
  auto* filename = window_->findChild<QLineEdit*>("txtFilename");
  if (logging_ == nullptr || filename == nullptr) Fail("the logging controls are missing");
  filename->setText(QString::fromStdString(logPath_));

  UdpLink& link = window_->Link();
  const bool open = RunUntil([&] { return link.State() == UdpLink::StateBound && link.LocalPort() == port_; }, 5);
  if (!open) {
    auto* status = window_->findChild<QLabel*>("stbStatusPanel1");
    Fail("the link did not open on port " + std::to_string(port_) +
         (status ? ": " + status->text().toStdString() : std::string()));
  }
}

void ConsoleUnderLoad::Idle(double seconds) {
  RunUntil([] { return false; }, seconds, static_cast<int>(seconds * 1000));
}

bool ConsoleUnderLoad::WaitForQuietMachine(double limit) {
  constexpr double kQuietShare = 0.25;
  bool told = false;
  for (int waited = 0; waited < limit; ++waited) {
    const double machine = MachineBusySeconds();
    const double self = ProcessCpuTime().seconds;
    Idle(1);
    const double others = MachineBusySeconds() - machine - (ProcessCpuTime().seconds - self);
    if (others < kQuietShare) return true;
    if (!told) {
      std::fprintf(stderr, "console_bench: other load at %.0f%% of a core; waiting up to %.0f s for it to end\n",
                   100 * others, limit);
      told = true;
    }
  }
  std::fprintf(stderr, "console_bench: the machine stayed busy; measuring anyway\n");
  return false;
}

void ConsoleUnderLoad::SetLogging(bool on) {
  // A click, so that the box's own handler opens or closes the log.
  if (logging_->isChecked() != on) logging_->click();
  if (logging_->isChecked() != on) Fail(std::string("the data log could not be switched ") + (on ? "on" : "off"));
}

void ConsoleUnderLoad::Prefill(std::uint64_t count) {
  SetLogging(false);
  char datagram[kLoadDatagramBytes];
  for (std::uint64_t n = 0; n < count; ++n) {
    FormatLoadDatagram(n, datagram);
    window_->Session().ReceiveData(std::string_view(datagram, sizeof datagram));
  }
  window_->TrafficList().Commit();
  Idle(0.5);  // the view takes in the new rows
}

void ConsoleUnderLoad::PrefillRandom(std::uint64_t count, std::size_t bytes) {
  SetLogging(false);
  std::mt19937 random(1);
  std::string datagram(bytes, '\0');
  for (std::uint64_t n = 0; n < count; ++n) {
    for (char& byte : datagram) byte = static_cast<char>(random());
    window_->Session().ReceiveData(datagram);
  }
  window_->TrafficList().Commit();
  Idle(0.5);
}

TrafficView& ConsoleUnderLoad::View() { return window_->TrafficListView(); }

std::uint64_t ConsoleUnderLoad::ListFileBytes() const { return window_->TrafficList().Store().FileBytes(); }

void ConsoleUnderLoad::SettleList() { window_->TrafficList().SettleStore(); }

void ConsoleUnderLoad::OccupyPort() {
  int port = 0;
  occupier_ = BoundSocket(*LoopbackAddress(address_), &port);
  AppSettings.UdpPortLocale = std::to_string(port);
  NotifySettingsChanged();
  if (!RunUntil([&] { return window_->Link().State() == UdpLink::StateError; }, 5)) {
    Fail("the console did not report the busy port");
  }
}

void ConsoleUnderLoad::RedirectSends() {
  int port = 0;
  sink_ = BoundSocket(*LoopbackAddress(address_), &port);
  AppSettings.UdpPort = std::to_string(port);
  NotifySettingsChanged();
  window_->RequestRebind();
  if (!RunUntil([&] { return !window_->IsRebindRequested() && LinkOpen(); }, 5)) {
    Fail("the console did not bind again for the new remote port");
  }
}

std::vector<double> ConsoleUnderLoad::TimeRepaints(int count) {
  std::vector<double> ms;
  for (int n = 0; n < count; ++n) {
    const auto start = Clock::now();
    View().viewport()->repaint();
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  return ms;
}

std::vector<double> ConsoleUnderLoad::ListingDelays(double rate, double seconds) {
  SetLogging(false);
  const auto total = static_cast<std::size_t>(std::llround(rate * seconds));
  std::vector<Clock::time_point> sentAt(total);
  std::atomic<std::size_t> sent{0};
  std::vector<double> delays;
  const std::uint64_t before = Entries();
  const QMetaObject::Connection listed =
      QObject::connect(&window_->TrafficList(), &TrafficListModel::EntriesAdded, [&](quint64 first, quint64 end) {
        const auto now = Clock::now();
        const std::size_t known = sent.load(std::memory_order_acquire);
        for (quint64 entry = first; entry < end; ++entry) {
          const std::optional<std::uint64_t> number = ListedNumber(window_->TrafficList().EntryText(entry));
          if (number && *number < known) {
            delays.push_back(std::chrono::duration<double, std::milli>(now - sentAt[*number]).count());
          }
        }
      });

  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr = *LoopbackAddress(address_);
  to.sin_port = htons(static_cast<std::uint16_t>(port_));
  std::thread sender([&] {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    char datagram[kLoadDatagramBytes];
    const auto start = Clock::now() + std::chrono::milliseconds(kSenderDelayMs);
    for (std::size_t n = 0; n < total && fd >= 0; ++n) {
      std::this_thread::sleep_until(start + std::chrono::duration_cast<Clock::duration>(
                                                std::chrono::duration<double>(static_cast<double>(n) / rate)));
      FormatLoadDatagram(n, datagram);
      sentAt[n] = Clock::now();
      sent.store(n + 1, std::memory_order_release);
      ::sendto(fd, datagram, sizeof datagram, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }
    if (fd >= 0) ::close(fd);
  });
  RunUntil([&] { return Entries() - before >= total; }, seconds + 5);
  sender.join();
  Idle(0.2);
  QObject::disconnect(listed);
  return delays;
}

void ConsoleUnderLoad::DoMeanwhile(double seconds) {
  // Until a second after the sender's last datagram.
  const int untilDone = static_cast<int>(seconds * 1000);
  switch (meanwhile_) {
    case Meanwhile::Nothing: break;
    case Meanwhile::Stall: {
      const std::uint64_t before = Entries();
      std::this_thread::sleep_for(std::chrono::seconds(5));
      std::fprintf(stderr, "console_bench: the window thread was blocked for 5 s; %llu entries arrived meanwhile\n",
                   static_cast<unsigned long long>(Entries() - before));
      break;
    }
    case Meanwhile::SettingsDialog:
      // The dialog alone, without the re-bind that closing it from the menu
      // asks for: that re-bind closes the socket, as the link supervision must.
      QTimer::singleShot(untilDone, [] {
        if (QWidget* dialog = QApplication::activeModalWidget()) dialog->close();
      });
      ShowSettingsDialog(window_.get());
      break;
    case Meanwhile::Resize: {
      const QSize small = window_->size();
      const QSize large = small + QSize(400, 300);
      auto* resizer = new QTimer(window_.get());
      QObject::connect(resizer, &QTimer::timeout, window_.get(),
                       [this, small, large] { window_->resize(window_->size() == small ? large : small); });
      resizer->start(20);
      QTimer::singleShot(untilDone, resizer, [resizer, this, small] {
        resizer->deleteLater();
        window_->resize(small);
      });
      break;
    }
    case Meanwhile::SaveList: {
      const std::string path = Folder() + "/saved-list.txt";
      AnswerSaveDialog(path);
      const auto start = Clock::now();
      window_->Tools().mnuFileSaveList_Click();
      std::fprintf(stderr, "console_bench: saved %llu entries in %.1f s\n", static_cast<unsigned long long>(Entries()),
                   std::chrono::duration<double>(Clock::now() - start).count());
      std::remove(path.c_str());
      break;
    }
  }
}

std::vector<double> ConsoleUnderLoad::TimeBatches(int batches, int perBatch) {
  SetLogging(false);
  // Where an operator who has just sent something looks: the end of the list.
  View().SetTopEntry(Entries());
  Idle(0.1);
  std::vector<double> ms;
  char datagram[kLoadDatagramBytes];
  std::uint64_t number = Entries();
  for (int b = 0; b < batches; ++b) {
    const auto start = Clock::now();
    for (int i = 0; i < perBatch; ++i) {
      FormatLoadDatagram(number++, datagram);
      window_->Session().ReceiveData(std::string_view(datagram, sizeof datagram));
    }
    window_->TrafficList().Commit();
    // The view lays out on a zero timer and paints from posted events; two
    // passes see both through.
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  return ms;
}

void ConsoleUnderLoad::ClearList() {
  window_->Session().Clear();
  Idle(0.1);
}

std::uint64_t ConsoleUnderLoad::Entries() const { return window_->TrafficList().EntryCount(); }

int ConsoleUnderLoad::ReceiveBufferBytes() const { return window_->Link().ReceiveBufferBytes(); }

bool ConsoleUnderLoad::LinkOpen() const { return window_->Link().State() == UdpLink::StateBound; }

std::optional<SequenceCheck> ConsoleUnderLoad::CheckList(std::uint64_t from, std::uint64_t expected) const {
  const TrafficListModel& list = window_->TrafficList();
  SequenceCheck check(0, expected);
  for (std::uint64_t row = from; row < list.EntryCount(); ++row) {
    const std::optional<std::uint64_t> number = ListedNumber(list.EntryText(row));
    if (number) {
      check.Add(*number);
    } else {
      check.AddMalformed();
    }
  }
  return check;
}

TrialResult ConsoleUnderLoad::RunTrial(double rate, double seconds, bool probeLatency) {
  TrialResult result;
  result.requestedRate = rate;
  result.planned = static_cast<std::uint64_t>(std::llround(rate * seconds));
  WaitForQuietMachine(quietWait_);
  SetLogging(false);
  SetLogging(true);  // switching on empties the file
  const std::uint64_t before = Entries();

  // The probe: a precise 10 ms timer, so that its own slack does not count
  // as lateness; only intervals while datagrams arrive are kept.
  bool sending = true;
  QTimer probe;
  probe.setTimerType(Qt::PreciseTimer);
  probe.setInterval(10);
  Clock::time_point lastTick;
  QObject::connect(&probe, &QTimer::timeout, [&] {
    const auto now = Clock::now();
    if (sending && Entries() > before && lastTick != Clock::time_point()) {
      result.latenessMs.push_back(std::chrono::duration<double, std::milli>(now - lastTick).count() - 10.0);
    }
    lastTick = now;
  });
  if (probeLatency) probe.start();

  QProcess sender;
  sender.setProcessChannelMode(QProcess::SeparateChannels);
  const QString program = QCoreApplication::applicationDirPath() + "/udp_load";
  QStringList arguments{QString::number(port_),          QString::number(rate, 'f', 0),
                        QString::number(seconds),        "--delay",
                        QString::number(kSenderDelayMs), "--address",
                        QString::fromStdString(address_)};
  if (gso_) arguments << "--gso";
  QTimer meanwhile;
  meanwhile.setSingleShot(true);
  QObject::connect(&meanwhile, &QTimer::timeout, [&] { DoMeanwhile(seconds); });
  if (meanwhile_ != Meanwhile::Nothing) meanwhile.start(kSenderDelayMs + 1000);
  // The list is followed as the operator follows it: Edit > "Follow new
  // entries", which keeps the last row in sight at every display frame.
  auto* followAction = window_->findChild<QAction*>("mnuEditFollow");
  if (followAction == nullptr) Fail("no Follow new entries in the Edit menu");
  if (followAction->isChecked() != follow_) followAction->trigger();
  sender.start(program, arguments);
  if (!sender.waitForStarted(5000)) Fail("cannot start " + program.toStdString());
  if (duringLoad_) duringLoad_(true);
  const CpuTime cpuBefore = ProcessCpuTime();
  const double childrenBefore = ChildrenCpuSeconds();
  const double machineBefore = MachineBusySeconds();
  const auto started = Clock::now() + std::chrono::milliseconds(kSenderDelayMs);

  // The sender stops by itself within 1.5 times the run plus a second; the
  // margin here only guards against a hung process.
  const double limit = seconds * 1.5 + 10;
  if (!RunUntil([&] { return sender.state() == QProcess::NotRunning; }, limit)) {
    sender.kill();
    sender.waitForFinished(2000);
  }
  sending = false;
  probe.stop();
  if (duringLoad_) duringLoad_(false);

  // Drain what is still queued: done once nothing has come for a while.
  std::uint64_t seen = Entries();
  auto lastArrival = Clock::now();
  RunUntil(
      [&] {
        if (Entries() != seen) {
          seen = Entries();
          lastArrival = Clock::now();
        }
        return std::chrono::duration<double>(Clock::now() - lastArrival).count() >= kQuietSeconds;
      },
      30);
  result.cpuSeconds = ProcessCpuTime().seconds - cpuBefore.seconds;
  result.senderCpuSeconds = ChildrenCpuSeconds() - childrenBefore;
  result.otherCpuSeconds =
      std::max(0.0, MachineBusySeconds() - machineBefore - result.cpuSeconds - result.senderCpuSeconds);
  result.wallSeconds = std::chrono::duration<double>(lastArrival - started).count();

  result.senderReport = QString::fromLocal8Bit(sender.readAllStandardOutput()).trimmed().toStdString();
  const std::string errors = QString::fromLocal8Bit(sender.readAllStandardError()).trimmed().toStdString();
  if (!errors.empty()) result.senderReport += " | " + errors;
  result.senderOk = sender.exitStatus() == QProcess::NormalExit && sender.exitCode() == 0;
  result.sent = static_cast<std::uint64_t>(std::max(0.0, Field(result.senderReport, "sent")));
  result.sendRate = Field(result.senderReport, "rate");

  SetLogging(false);  // flushes and closes the file
  result.list = CheckList(before, result.planned);
  result.log = CheckLoadLog(logPath_, 0, result.planned, &result.logError);
  return result;
}
