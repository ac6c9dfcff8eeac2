#pragma once
// A console wired to a peer socket on 127.0.0.1: the console's local port and
// the peer's port are free ephemeral ports, so tests never collide.
#include <QCheckBox>
#include <QLabel>
#include <QSignalSpy>
#include <QUdpSocket>

#include "console/TrafficView.h"
#include "tests/console/ConsoleFixture.h"
#include "traffic/TrafficListModel.h"
#include "traffic/TrafficSession.h"
#include "traffic/UdpLink.h"

// A port no socket holds right now.
inline int FreeUdpPort() {
  QUdpSocket probe;
  probe.bind(QHostAddress::LocalHost, 0);
  return probe.localPort();
}

class LinkFixture : public ConsoleFixture {
 protected:
  void SetUp() override {
    ASSERT_TRUE(peer.bind(QHostAddress::LocalHost, 0));
    localPort = FreeUdpPort();
  }

  std::string LoopbackSettings(const std::string& extra = "", const std::string& localAddress = "127.0.0.1",
                               const std::string& remoteAddress = "127.0.0.1") const {
    return "UdpPort=" + std::to_string(peer.localPort()) + "\r\nUdpPortLocale=" + std::to_string(localPort) +
           "\r\nUdpAddress=" + remoteAddress + "\r\nLocaleIpAddress=" + localAddress + "\r\nLanguage=1\r\n" + extra;
  }

  // Opens the console on loopback and waits until its link is up.
  frmMain& OpenLinked(const std::string& extra = "") {
    WriteSettings(LoopbackSettings(extra));
    frmMain& w = Open();
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.Link().State() == UdpLink::StateBound; }, 2000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Control("txtSend")->isEnabled(); }, 2000));
    return w;
  }

  // The next datagram the peer receives, or nothing within the time.
  std::optional<QByteArray> PeerReceive(int timeoutMs = 2000) {
    if (!peer.hasPendingDatagrams() && !QTest::qWaitFor([&] { return peer.hasPendingDatagrams(); }, timeoutMs)) {
      return std::nullopt;
    }
    QByteArray data(static_cast<int>(peer.pendingDatagramSize()), '\0');
    peer.readDatagram(data.data(), data.size());
    return data;
  }

  // Sends from the peer to the console and waits until it is listed.
  void PeerSend(const QByteArray& bytes) {
    const std::uint64_t before = window->TrafficList().EntryCount();
    peer.writeDatagram(bytes, QHostAddress::LocalHost, static_cast<quint16>(localPort));
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->TrafficList().EntryCount() > before; }, 2000));
  }

  std::string Entry(std::uint64_t entry) { return window->TrafficList().EntryText(entry); }
  TrafficView& View() { return window->TrafficListView(); }
  QString Status() { return Control<QLabel>("stbStatusPanel1")->text(); }

  QUdpSocket peer;
  int localPort = 0;
};

// An entry without its 12-character time: "HH:MM:SS.mmm".
inline std::string WithoutTime(const std::string& entry) {
  EXPECT_GE(entry.size(), 12U);
  EXPECT_EQ(entry[2], ':');
  EXPECT_EQ(entry[8], '.');
  return entry.substr(12);
}
