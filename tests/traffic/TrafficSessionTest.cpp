// The traffic session without a window: a peer floods the session's socket
// from a thread of its own while the test thread sends, clears and switches
// the log, as the window thread would.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>
#include <atomic>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "traffic/TrafficSession.h"

namespace {

namespace fs = std::filesystem;

constexpr int kWaitMs = 10'000;

class Session : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("telvane-session-" + std::to_string(::getpid()));
    fs::create_directories(folder_);
    session_ = std::make_unique<TrafficSession>(std::vector<std::string>{folder_.string()}, TrafficStore::Limits{});
    peer_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(peer_, reinterpret_cast<const sockaddr*>(&any), sizeof any), 0);
    socklen_t length = sizeof any;
    ::getsockname(peer_, reinterpret_cast<sockaddr*>(&any), &length);
    UdpLink& link = session_->Link();
    link.SetRemoteHost("127.0.0.1");
    link.SetRemotePort(ntohs(any.sin_port));
    link.Bind("0", "127.0.0.1");
    ASSERT_EQ(link.State(), UdpLink::StateBound);
    port_ = link.LocalPort();
  }
  void TearDown() override {
    session_.reset();
    ::close(peer_);
    fs::remove_all(folder_);
  }

  // Sends `count` datagrams "<prefix><n>" to the session, pacing itself so
  // that the socket's buffer never overflows on this loaded machine.
  void Flood(const std::string& prefix, int count) const {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(static_cast<std::uint16_t>(port_));
    for (int n = 0; n < count; ++n) {
      const std::string datagram = prefix + std::to_string(n);
      ::sendto(peer_, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
      if (n % 256 == 255) std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  }
  std::uint64_t Count() const { return session_->List().Store().Count(); }
  std::vector<std::pair<EntryKind, std::string>> Entries() const {
    std::vector<std::pair<EntryKind, std::string>> entries;
    const TrafficStore& store = session_->List().Store();
    for (std::uint64_t n = 0; n < store.Count(); ++n)
      entries.emplace_back(store.EntryMeta(n).kind, store.EntryBytes(n));
    return entries;
  }

  fs::path folder_;
  std::unique_ptr<TrafficSession> session_;
  int peer_ = -1;
  int port_ = 0;  // the session's
};

TEST_F(Session, AFloodIsListedInOrderWithEverySendAfterWhatCameBeforeItAndTimesInListOrder) {
  constexpr int kFlood = 20'000;
  std::thread peer([&] { Flood("in ", kFlood); });
  // Each send is listed after every datagram the session had taken before
  // it: whatever arrived before the send was counted when it returned.
  std::vector<std::pair<std::uint64_t, std::uint64_t>> sends;  // entry, datagrams counted before it
  for (int n = 0; n < 200; ++n) {
    const std::uint64_t before = session_->ReadCounters(0).received;
    const std::optional<std::uint64_t> entry = session_->Send("out", "out", true);
    ASSERT_TRUE(entry.has_value());
    sends.emplace_back(*entry, before);
    std::this_thread::sleep_for(std::chrono::microseconds(300));
  }
  peer.join();
  ASSERT_TRUE(QTest::qWaitFor([&] { return Count() == kFlood + 200; }, kWaitMs)) << Count();

  const TrafficStore& store = session_->List().Store();
  std::int64_t lastTime = 0;
  int expected = 0;
  std::uint64_t received = 0;
  std::size_t send = 0;
  for (std::uint64_t n = 0; n < store.Count(); ++n) {
    const TrafficStore::Meta meta = store.EntryMeta(n);
    EXPECT_GE(meta.utcMicroseconds, lastTime) << n;
    lastTime = meta.utcMicroseconds;
    if (IsOutgoing(meta.kind)) {
      ASSERT_LT(send, sends.size());
      EXPECT_EQ(sends[send].first, n);
      EXPECT_GE(received, sends[send].second) << "entry " << n;
      ++send;
      continue;
    }
    EXPECT_EQ(store.EntryBytes(n), "in " + std::to_string(expected++)) << n;
    ++received;
  }
  EXPECT_EQ(expected, kFlood);
  const CounterReadings counted = session_->ReadCounters(0);
  EXPECT_EQ(counted.received, static_cast<std::uint64_t>(kFlood));
  EXPECT_EQ(counted.sent, 200U);
}

TEST_F(Session, DeleteListDuringAFloodLeavesListAndCountersAgreeing) {
  constexpr int kFlood = 30'000;
  std::thread peer([&] { Flood("x", kFlood); });
  for (int n = 0; n < 5; ++n) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    session_->Clear();
  }
  peer.join();
  // Once the flood is in, the counters count exactly the entries listed
  // since the last clear: a clear never falls inside a batch.
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        QCoreApplication::processEvents();
        return session_->ReadCounters(0).received == Count() && Count() > 0;
      },
      kWaitMs));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(session_->ReadCounters(0).received, Count());
  // The model starts over at each clear and then shows what came after.
  QSignalSpy cleared(&session_->List(), &TrafficListModel::Cleared);
  session_->Clear();
  EXPECT_EQ(cleared.size(), 1);
  EXPECT_EQ(session_->List().ShownCount(), 0U);
  EXPECT_EQ(session_->ReadCounters(0).received, 0U);
}

TEST_F(Session, TheLogHoldsTheOtherFormInListOrderAndTheDisplayKindCountsFromTheNextDatagram) {
  const fs::path log = folder_ / "log.txt";
  ASSERT_TRUE(session_->StartLog(log.string()).Ok());
  EXPECT_TRUE(session_->Logging());
  session_->ReceiveData(
      "\x02"
      "a\x03");
  session_->SetPeculiar(0);
  session_->ReceiveData(
      "\x02"
      "b\x03");
  session_->Send("<STX>c<ETX>",
                 "\x02"
                 "c\x03",
                 false);  // not transmitted, listed raw
  std::thread peer([&] { Flood("n", 1000); });
  peer.join();
  ASSERT_TRUE(QTest::qWaitFor([&] { return Count() == 1003; }, kWaitMs));
  std::string reason;
  ASSERT_TRUE(session_->StopLog(&reason)) << reason;

  const std::vector<std::pair<EntryKind, std::string>> entries = Entries();
  EXPECT_EQ(entries[0], std::make_pair(EntryKind::IncomingDisplay, std::string("\x02"
                                                                               "a\x03")));
  EXPECT_EQ(entries[1], std::make_pair(EntryKind::IncomingRaw, std::string("\x02"
                                                                           "b\x03")));
  EXPECT_EQ(entries[2], std::make_pair(EntryKind::OutgoingRaw, std::string("\x02"
                                                                           "c\x03")));
  std::ifstream in(log, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(text, line)) lines.push_back(line);
  ASSERT_EQ(lines.size(), 1002U);  // sent lines are not logged
  // Time "hh:mm:ss.mmm" (12 characters), then the form the list does not show.
  EXPECT_EQ(lines[0].substr(12),
            "    \x02"
            "a\x03\r");
  EXPECT_EQ(lines[1].substr(12), "    <2>b<3>\r");
  for (int n = 0; n < 1000; ++n) ASSERT_EQ(lines[2 + n].substr(12), "    n" + std::to_string(n) + "\r") << n;
}

TEST_F(Session, ALogThatCannotBeWrittenIsClosedAndReportedOnce) {
  QSignalSpy failed(session_.get(), &TrafficSession::LogFailed);
  const fs::path log = folder_ / "log.txt";
  ASSERT_TRUE(session_->StartLog(log.string()).Ok());
  {
    // Files of this process may not grow beyond 1 KiB: the log's writes fail
    // (EFBIG) as on a full disk; the list's file is not written this soon.
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{1024, saved.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::thread peer([&] { Flood("f", 500); });
    peer.join();
    const bool reported = failed.wait(kWaitMs);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    ASSERT_TRUE(reported);
  }
  EXPECT_FALSE(session_->Logging());
  EXPECT_EQ(failed.at(0).at(0).toByteArray().toStdString(), log.string());
  EXPECT_FALSE(failed.at(0).at(1).toByteArray().isEmpty());
  ASSERT_TRUE(QTest::qWaitFor([&] { return Count() == 500; }, kWaitMs));  // the list lost nothing
  QCoreApplication::processEvents();
  EXPECT_EQ(failed.size(), 1);
}

TEST_F(Session, EntriesArrivedComesOnceForABurstAndAgainForTheNext) {
  QSignalSpy arrived(session_.get(), &TrafficSession::EntriesArrived);
  std::thread peer([&] { Flood("b", 2000); });
  peer.join();
  ASSERT_TRUE(QTest::qWaitFor([&] { return Count() == 2000; }, kWaitMs));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !arrived.isEmpty(); }, kWaitMs));
  // However many batches, at most one notice is on its way at a time.
  const qsizetype first = arrived.size();
  EXPECT_LT(first, 2000);
  session_->ReceiveData("later");
  EXPECT_TRUE(arrived.wait(kWaitMs));
}

TEST_F(Session, TheSessionEndsWhileAFloodArrives) {
  std::atomic<bool> stop = false;
  std::thread peer([&] {
    while (!stop) Flood("e", 100);
  });
  ASSERT_TRUE(QTest::qWaitFor([&] { return Count() > 1000; }, kWaitMs));
  session_.reset();  // closes the link, joins the receive thread
  stop = true;
  peer.join();
}

}  // namespace
