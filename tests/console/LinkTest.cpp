// The link supervision against real sockets on 127.0.0.1.
#include <arpa/inet.h>
#include <gmock/gmock.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QAction>
#include <QDialog>
#include <QTimer>
#include <array>
#include <filesystem>

#include "core/RunTimeError.h"
#include "dialogs/ModalSeam.h"
#include "platform/QtPlatform.h"
#include "tests/console/LinkFixture.h"

namespace {

using Link = LinkFixture;

// The descriptor of this process's UDP socket bound to `port`, or -1.
int SocketOnPort(int port) {
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    const int fd = std::stoi(entry.path().filename().string());
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0 && address.sin_family == AF_INET &&
        ntohs(address.sin_port) == port) {
      return fd;
    }
  }
  return -1;
}

// The local address of this process's UDP socket bound to `port`, or "".
std::string AddressOfSocketOnPort(int port) {
  const int fd = SocketOnPort(port);
  sockaddr_in address{};
  socklen_t length = sizeof address;
  if (fd < 0 || ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return "";
  std::array<char, INET_ADDRSTRLEN> text{};
  return ::inet_ntop(AF_INET, &address.sin_addr, text.data(), text.size());
}

// While the link is down or a lookup is awaited, the supervision ticks every
// 10 ms. Within this time an open link that woke up would tick several times,
// and a tick that changed the link would show.
constexpr int kSeveralTicksMs = 100;

// Waits until the supervision has ticked `count` more times.
bool TicksPass(const frmMain& w, std::uint64_t count) {
  const std::uint64_t start = w.SupervisionTicks();
  return QTest::qWaitFor([&] { return w.SupervisionTicks() - start >= count; }, 2000);
}

// Waits until the link is steady: a tick found nothing to do and stopped the
// supervision timer (the tick after a bind still runs).
bool Steadies(const frmMain& w) {
  const auto* timer = w.findChild<QTimer*>("timTimer");
  return timer != nullptr && QTest::qWaitFor([&] { return !timer->isActive(); }, 2000);
}

TEST_F(Link, FirstTickBindsAndShowsTheOpenStateWithAddresses) {
  OpenLinked();
  const QString expected = QString(
                               "Current state: Port opened.[ Local IP: 127.0.0.1 | Local Port: %1 | "
                               "Remote IP: 127.0.0.1 | Remote Port: %2 ]")
                               .arg(localPort)
                               .arg(peer.localPort());
  EXPECT_EQ(Status(), expected);
  EXPECT_EQ(Control<QLineEdit>("txtSend")->palette().color(QPalette::Base), QColor(255, 255, 255));
  for (const char* name : {"lstSendReceive", "cmdInsertSpecialChar", "cmdBefehl1", "cmdBefehl8"}) {
    EXPECT_TRUE(Control(name)->isEnabled()) << name;
  }
  EXPECT_GE(window->Link().ReceiveBufferBytes(), 1024 * 1024);
}

TEST_F(Link, ForeignLocalAddressKeepsTheLinkDownSilently) {
  // 198.51.100.0/24 belongs to no machine: the bind fails, nothing is sent.
  WriteSettings(LoopbackSettings("", "198.51.100.7"));
  frmMain& w = Open();
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.Link().State() == UdpLink::StateError; }, 2000));
  EXPECT_EQ(Status(), "Zustand: Error while connecting.");
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_FALSE(Control("txtSend")->isEnabled());
  EXPECT_FALSE(Control("cmdBefehl1")->isEnabled());
  EXPECT_TRUE(Control("cmdBefehl3")->isEnabled());

  Control<QPushButton>("cmdBefehl3")->click();  // lists, but sends nothing
  EXPECT_EQ(w.TrafficList().EntryCount(), 1U);
  // While the link is down, the supervision retries every 10 ms.
  const std::uint64_t ticks = w.SupervisionTicks();
  EXPECT_FALSE(PeerReceive(200).has_value());
  EXPECT_GE(w.SupervisionTicks() - ticks, 8U);

  // Fixing the setting brings the link up at the next tick.
  AppSettings.LocaleIpAddress = "127.0.0.1";
  NotifySettingsChanged();
  EXPECT_TRUE(QTest::qWaitFor([&] { return Control("txtSend")->isEnabled(); }, 2000));
}

TEST_F(Link, PortTextThatIsNoNumberFailsEveryTickSilently) {
  // At start: the socket stays closed and the controls keep their start states.
  WriteSettings("UdpPortLocale=x1\r\nUdpAddress=127.0.0.1\r\nLocaleIpAddress=127.0.0.1\r\nLanguage=0\r\n");
  frmMain& w = Open();
  ASSERT_TRUE(TicksPass(w, 3));
  EXPECT_EQ(w.Link().State(), UdpLink::StateClosed);
  EXPECT_EQ(Status(), "Zustand: Port geschlossen.");
  EXPECT_FALSE(Control("txtSend")->isEnabled());
  // While linked: the tick fails before the re-bind, so the open socket and the controls stay.
  AppSettings = {};
  window.reset();
  OpenLinked();
  AppSettings.UdpPort = "abc";
  NotifySettingsChanged();
  ASSERT_TRUE(QTest::qWaitFor([&] { return Status().endsWith("Remote Port: abc ]"); }, 2000));
  ASSERT_TRUE(Steadies(*window));
  EXPECT_EQ(window->Link().State(), UdpLink::StateBound);
  EXPECT_TRUE(Control("txtSend")->isEnabled());
  EXPECT_TRUE(platform.messages.empty());
}

TEST_F(Link, OpenLinkRestsUntilTheSettingsChange) {
  frmMain& w = OpenLinked();
  ASSERT_TRUE(Steadies(w));
  const std::uint64_t ticks = w.SupervisionTicks();
  EXPECT_FALSE(QTest::qWaitFor([&] { return w.SupervisionTicks() != ticks; }, kSeveralTicksMs));

  QUdpSocket other;
  ASSERT_TRUE(other.bind(QHostAddress::LocalHost, 0));
  AppSettings.UdpPort = std::to_string(other.localPort());
  NotifySettingsChanged();
  EXPECT_TRUE(QTest::qWaitFor([&] { return w.Link().RemotePort() == other.localPort(); }, 10));
  EXPECT_TRUE(Status().endsWith(QString("Remote Port: %1 ]").arg(other.localPort()))) << Status().toStdString();
  ASSERT_TRUE(Steadies(w));
  const std::uint64_t settled = w.SupervisionTicks();
  EXPECT_FALSE(QTest::qWaitFor([&] { return w.SupervisionTicks() != settled; }, kSeveralTicksMs));
}

TEST_F(Link, LocalPortChangedBehindTheDialogMovesTheLink) {
  frmMain& w = OpenLinked();
  const int moved = FreeUdpPort();
  AppSettings.UdpPortLocale = std::to_string(moved);
  NotifySettingsChanged();  // no re-bind request: only the comparison can move it
  EXPECT_TRUE(QTest::qWaitFor([&] { return w.Link().LocalPort() == moved; }, 2000));
  EXPECT_TRUE(Status().contains(QString("Local Port: %1 |").arg(moved)));
  localPort = moved;
  PeerSend("to the new port");
}

TEST_F(Link, LocalPortZeroTakesAnyFreePortAndKeepsIt) {
  localPort = 0;
  frmMain& w = OpenLinked();
  const int bound = w.Link().LocalPort();
  EXPECT_GT(bound, 0);
  EXPECT_TRUE(Status().contains("Local Port: 0 |"));
  // The port taken satisfies "any port": the link rests on it, so answers
  // sent to it arrive.
  ASSERT_TRUE(Steadies(w));
  const std::uint64_t ticks = w.SupervisionTicks();
  EXPECT_FALSE(QTest::qWaitFor([&] { return w.SupervisionTicks() != ticks; }, kSeveralTicksMs));
  EXPECT_EQ(w.Link().LocalPort(), bound);
  localPort = bound;
  PeerSend("answer");

  // A number again moves the link to that port.
  const int fixed = FreeUdpPort();
  AppSettings.UdpPortLocale = std::to_string(fixed);
  NotifySettingsChanged();
  EXPECT_TRUE(QTest::qWaitFor([&] { return w.Link().LocalPort() == fixed; }, 2000));
}

TEST_F(Link, SocketThatFailsOnItsOwnIsBoundAgainAtOnce) {
  frmMain& w = OpenLinked();
  // Something that is no socket takes the socket's place: receiving from it fails.
  const int socket = SocketOnPort(localPort);
  ASSERT_GE(socket, 0);
  int pipe[2];
  ASSERT_EQ(::pipe(pipe), 0);
  ASSERT_EQ(::write(pipe[1], "x", 1), 1);
  ASSERT_EQ(::dup2(pipe[0], socket), socket);
  ::close(pipe[0]);
  ::close(pipe[1]);
  // The receive thread waits on the socket it was given, which lives on
  // until that wait ends: a datagram to it ends the wait, and the next
  // receive meets the pipe.
  peer.writeDatagram("wake", QHostAddress::LocalHost, static_cast<quint16>(localPort));
  EXPECT_TRUE(QTest::qWaitFor([&] { return SocketOnPort(localPort) >= 0; }, 500));
  EXPECT_EQ(w.Link().State(), UdpLink::StateBound);
  PeerSend("still listening");
}

TEST_F(Link, PortHeldByAnotherProgramShowsTheErrorUntilItIsFree) {
  auto holder = std::make_unique<QUdpSocket>();
  ASSERT_TRUE(holder->bind(QHostAddress::LocalHost, static_cast<quint16>(localPort)));
  WriteSettings(LoopbackSettings());
  frmMain& w = Open();
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.Link().State() == UdpLink::StateError; }, 2000));
  ASSERT_TRUE(TicksPass(w, 3));
  EXPECT_EQ(w.Link().State(), UdpLink::StateError);
  EXPECT_TRUE(platform.messages.empty());
  holder.reset();
  EXPECT_TRUE(QTest::qWaitFor([&] { return w.Link().State() == UdpLink::StateBound; }, 2000));
}

TEST_F(Link, BadRemoteAddressFailsSendingButNotReceiving) {
  // The remote address is only the target of sends: the socket binds and
  // receives, and a send reports the failure without listing the line.
  for (const char* remote : {"999.1.1.1", "nohost.invalid"}) {
    SCOPED_TRACE(remote);
    AppSettings = {};
    window.reset();
    platform.messages.clear();
    WriteSettings(LoopbackSettings("", "127.0.0.1", remote));
    frmMain& w = Open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.Link().State() == UdpLink::StateBound; }, 2000));
    PeerSend("<in>");
    EXPECT_EQ(w.TrafficList().EntryCount(), 1U);

    Control<QLineEdit>("txtBefehl3")->setText("x");
    Control<QPushButton>("cmdBefehl3")->click();
    ASSERT_EQ(platform.messages.size(), 1U);
    EXPECT_THAT(platform.messages[0].text, ::testing::MatchesRegex("Beschreibung: .*\r\nFehler: 1100[12]"));
    EXPECT_EQ(w.TrafficList().EntryCount(), 1U);
  }
}

TEST_F(Link, HostNamesAreResolvedWithoutBlocking) {
  WriteSettings(LoopbackSettings("", "localhost", "localhost"));
  frmMain& w = Open();
  EXPECT_TRUE(QTest::qWaitFor([&] { return w.Link().State() == UdpLink::StateBound; }, 5000));
  w.fkt_SendLine("ping");
  EXPECT_EQ(PeerReceive(), QByteArray("ping"));
}

// Host names move while the console runs (hosts file, DHCP). The fake
// platform's table stands in for the system's: "bench7" is the machine's
// name, "instrument" the instrument's.

TEST_F(Link, LocalNameIsLookedUpAgainAtEveryBind) {
  platform.hosts["bench7"] = {"127.0.0.2"};
  WriteSettings(LoopbackSettings("", "bench7"));
  frmMain& w = Open();
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.Link().State() == UdpLink::StateBound; }, 2000));
  EXPECT_EQ(AddressOfSocketOnPort(localPort), "127.0.0.2");

  // The settings dialog closes: the re-bind asks for the name again.
  platform.hosts["bench7"] = {"127.0.0.3"};
  w.RequestRebind();
  EXPECT_TRUE(QTest::qWaitFor([&] { return AddressOfSocketOnPort(localPort) == "127.0.0.3"; }, 2000));

  // Moved to an address that is not the machine's, the link goes down; it
  // comes up as soon as the name is back, with no dialog and no restart.
  platform.hosts["bench7"] = {"198.51.100.7"};
  w.RequestRebind();
  EXPECT_TRUE(QTest::qWaitFor([&] { return Status() == "Zustand: Error while connecting."; }, 2000));
  platform.hosts["bench7"] = {"127.0.0.4"};
  EXPECT_TRUE(QTest::qWaitFor([&] { return AddressOfSocketOnPort(localPort) == "127.0.0.4"; }, 1000));
  EXPECT_TRUE(Control("txtSend")->isEnabled());
}

TEST_F(Link, LookupUnderWayIsAskedOnceAndAnAnswerOlderThanTheRebindIsNotUsed) {
  platform.holdLookups = true;
  platform.hosts["bench7"] = {"127.0.0.2"};
  WriteSettings(LoopbackSettings("", "bench7"));
  frmMain& w = Open();
  // The window goes on while the name is looked up; the ticks wait for the one lookup.
  EXPECT_TRUE(QTest::qWaitFor([&] { return Status() == "Current state: Resolving Host name."; }, 2000));
  EXPECT_TRUE(TicksPass(w, 3));
  EXPECT_EQ(platform.lookedUp, std::vector<std::string>{"bench7"});
  platform.AnswerLookups();
  ASSERT_TRUE(QTest::qWaitFor([&] { return AddressOfSocketOnPort(localPort) == "127.0.0.2"; }, 2000));

  // The open link rests: no tick, no lookup.
  ASSERT_TRUE(Steadies(w));
  const std::uint64_t resting = w.SupervisionTicks();
  EXPECT_FALSE(QTest::qWaitFor([&] { return w.SupervisionTicks() != resting; }, kSeveralTicksMs));
  EXPECT_EQ(platform.lookedUp.size(), 1U);

  // A second re-bind while the first one's lookup is under way: that answer
  // may predate it, so it is not used, and the name is asked once more.
  platform.hosts["bench7"] = {"127.0.0.3"};
  w.RequestRebind();
  EXPECT_TRUE(QTest::qWaitFor([&] { return platform.lookedUp.size() == 2; }, 2000));
  w.RequestRebind();
  ASSERT_TRUE(TicksPass(w, 3));
  EXPECT_EQ(platform.lookedUp.size(), 2U);
  platform.AnswerLookups();
  EXPECT_EQ(platform.lookedUp.size(), 3U);
  ASSERT_TRUE(TicksPass(w, 3));
  EXPECT_EQ(w.Link().State(), UdpLink::StateResolving);
  platform.hosts["bench7"] = {"127.0.0.4"};
  platform.AnswerLookups();
  EXPECT_TRUE(QTest::qWaitFor([&] { return AddressOfSocketOnPort(localPort) == "127.0.0.4"; }, 2000));
}

TEST_F(Link, LocalNameNotFoundIsAskedAgainAtTheNextTickAndShowsAsError) {
  platform.holdLookups = true;
  WriteSettings(LoopbackSettings("", "bench7"));
  frmMain& w = Open();
  ASSERT_TRUE(QTest::qWaitFor([&] { return platform.lookedUp.size() == 1; }, 2000));
  platform.AnswerLookups();  // not known
  EXPECT_TRUE(QTest::qWaitFor([&] { return platform.lookedUp.size() == 2; }, 1000));
  // While it is asked again the status shows the error steadily, not the
  // resolving state in between.
  EXPECT_FALSE(QTest::qWaitFor([&] { return Status() != "Zustand: Error while connecting."; }, kSeveralTicksMs));
  EXPECT_EQ(w.Link().State(), UdpLink::StateError);
  EXPECT_EQ(platform.lookedUp.size(), 2U);
  EXPECT_TRUE(platform.messages.empty());

  platform.hosts["bench7"] = {"127.0.0.1"};
  platform.AnswerLookups();
  EXPECT_TRUE(QTest::qWaitFor([&] { return w.Link().State() == UdpLink::StateBound; }, 1000));
  PeerSend("found");
}

TEST_F(Link, RemoteNameIsLookedUpAgainAtEveryRebind) {
  platform.hosts["instrument"] = {"127.0.0.1"};
  WriteSettings(LoopbackSettings("", "127.0.0.1", "instrument"));
  frmMain& w = Open();
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.Link().State() == UdpLink::StateBound; }, 2000));
  w.fkt_SendLine("one");
  EXPECT_EQ(PeerReceive(), QByteArray("one"));

  // The name moves to where another socket listens on the same port. Sends
  // keep to the open link's answer until the next re-bind.
  QUdpSocket moved;
  ASSERT_TRUE(moved.bind(QHostAddress("127.0.0.2"), peer.localPort()));
  platform.hosts["instrument"] = {"127.0.0.2"};
  const std::size_t lookups = platform.lookedUp.size();
  w.fkt_SendLine("two");
  EXPECT_EQ(PeerReceive(), QByteArray("two"));
  EXPECT_EQ(platform.lookedUp.size(), lookups);
  w.RequestRebind();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !w.IsRebindRequested(); }, 2000));
  w.fkt_SendLine("three");
  EXPECT_TRUE(QTest::qWaitFor([&] { return moved.hasPendingDatagrams(); }, 2000));
  EXPECT_FALSE(peer.hasPendingDatagrams());

  // Not found at a re-bind: the send says so, and the next send asks again.
  platform.hosts.erase("instrument");
  w.RequestRebind();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !w.IsRebindRequested(); }, 2000));
  platform.hosts["instrument"] = {"127.0.0.1"};
  EXPECT_THROW(w.fkt_SendLine("four"), RunTimeError);
  w.fkt_SendLine("five");
  EXPECT_EQ(PeerReceive(), QByteArray("five"));
}

TEST(QtPlatformLookup, AnswersThroughTheEventLoop) {
  QtPlatform system;
  std::optional<std::vector<std::string>> answer;
  system.LookUpHost("localhost", [&](const std::vector<std::string>& addresses) { answer = addresses; });
  EXPECT_FALSE(answer.has_value());  // the caller never waits for it
  ASSERT_TRUE(QTest::qWaitFor([&] { return answer.has_value(); }, 5000));
  EXPECT_THAT(*answer, ::testing::Contains("127.0.0.1"));
}

}  // namespace

namespace {

// The settings dialog, answered without a real modal loop.
class SettingsDialogFromMenu : public LinkFixture {
 protected:
  void TearDown() override {
    SetModalHook({});
    LinkFixture::TearDown();
  }
};

TEST_F(SettingsDialogFromMenu, CancelStillRebindsOnceAndReappliesTexts) {
  frmMain& w = OpenLinked();
  int shown = 0;
  SetModalHook([&](QDialog& dialog) {
    ++shown;
    AppSettings.Language = 0;  // as if changed behind the dialog; Cancel touches nothing
    dialog.reject();
    return static_cast<int>(QDialog::Rejected);
  });
  Control<QAction>("mnuEditSettings")->trigger();
  EXPECT_EQ(shown, 1);
  EXPECT_TRUE(w.IsRebindRequested());
  EXPECT_EQ(Control<QPushButton>("cmdSend")->text(), "Zeichen senden");
  EXPECT_TRUE(QTest::qWaitFor([&] { return !w.IsRebindRequested(); }, 2000));
  EXPECT_EQ(w.Link().State(), UdpLink::StateBound);
}

TEST_F(SettingsDialogFromMenu, AcceptedRemotePortTakesEffectAtTheNextTick) {
  frmMain& w = OpenLinked();
  QUdpSocket other;
  ASSERT_TRUE(other.bind(QHostAddress::LocalHost, 0));
  SetModalHook([&](QDialog& dialog) {
    dialog.findChild<QLineEdit*>("txtUdpPort")->setText(QString::number(other.localPort()));
    dialog.findChild<QPushButton*>("cmdOk")->click();
    return dialog.result();
  });
  Control<QAction>("mnuEditSettings")->trigger();
  EXPECT_EQ(AppSettings.UdpPort, std::to_string(other.localPort()));
  EXPECT_TRUE(QTest::qWaitFor([&] { return w.Link().RemotePort() == other.localPort(); }, 2000));
  EXPECT_TRUE(Status().endsWith(QString("Remote Port: %1 ]").arg(other.localPort())));
  w.fkt_SendLine("x");
  EXPECT_TRUE(QTest::qWaitFor([&] { return other.hasPendingDatagrams(); }, 2000));
  EXPECT_FALSE(peer.hasPendingDatagrams());
}

TEST_F(SettingsDialogFromMenu, PickerTypesItsTokenIntoTheSendLine) {
  OpenLinked();
  auto* line = Control<QLineEdit>("txtSend");
  line->setText("AB");
  line->setCursorPosition(1);
  SetModalHook([&](QDialog& dialog) {
    QTest::mouseClick(dialog.findChild<QWidget*>("chkEtx"), Qt::LeftButton);
    dialog.findChild<QPushButton*>("cmdOk")->click();
    return dialog.result();
  });
  Control<QPushButton>("cmdInsertSpecialChar")->click();
  EXPECT_EQ(line->text(), "A<ETX>B");
  EXPECT_TRUE(Control("cmdSend")->isEnabled());
}

}  // namespace
