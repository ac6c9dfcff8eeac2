// The link supervision's checks without a window: a real socket on
// 127.0.0.1, the settings changed as the settings dialog would change them.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "core/AppSettings.h"
#include "core/RunTimeError.h"
#include "traffic/LinkSupervision.h"
#include "traffic/UdpLink.h"

namespace {

class Supervision : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = AppSettings;
    Defaults();
  }
  void TearDown() override { AppSettings = saved_; }
  static void Defaults() {
    AppSettings.UdpAddress = std::string("127.0.0.1");
    AppSettings.UdpPort = std::string("9");
    AppSettings.LocaleIpAddress = std::string("127.0.0.1");
    AppSettings.UdpPortLocale = std::string("0");
  }
  // A port that was free a moment ago.
  static std::string FreePort() {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
                       ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    ::close(fd);
    EXPECT_TRUE(bound);
    return std::to_string(ntohs(address.sin_port));
  }

  // A first check binds the closed link; it is steady after the next.
  void BindSteady() {
    supervision_.Check();
    ASSERT_EQ(link_.State(), UdpLink::StateBound);
    supervision_.Check();
    ASSERT_TRUE(supervision_.Steady());
  }

  AppSettingsRecord saved_;
  UdpLink link_;
  LinkSupervision supervision_{link_};
};

TEST_F(Supervision, AClosedLinkIsBoundAndThenSteadyWithAnyFreeLocalPort) {
  EXPECT_EQ(link_.State(), UdpLink::StateClosed);
  supervision_.Check();
  EXPECT_EQ(link_.State(), UdpLink::StateBound);
  EXPECT_EQ(link_.RemoteHost(), "127.0.0.1");
  EXPECT_EQ(link_.RemotePort(), 9);
  EXPECT_FALSE(supervision_.Steady()) << "the check that re-bound is not the steady one";
  const int port = link_.LocalPort();
  EXPECT_NE(port, 0);
  // Local port 0 takes any free port; the port taken satisfies it.
  supervision_.Check();
  EXPECT_TRUE(supervision_.Steady());
  EXPECT_EQ(link_.LocalPort(), port);
}

TEST_F(Supervision, EachDifferenceFromTheSettingsReBindsOnce) {
  struct Case {
    const char* name;
    std::function<void(LinkSupervision&)> change;
    std::function<void(const UdpLink&)> expect;
  };
  const Case cases[] = {
      {"remote port", [](LinkSupervision&) { AppSettings.UdpPort = std::string("10"); },
       [](const UdpLink& link) { EXPECT_EQ(link.RemotePort(), 10); }},
      {"remote host", [](LinkSupervision&) { AppSettings.UdpAddress = std::string("127.0.0.2"); },
       [](const UdpLink& link) { EXPECT_EQ(link.RemoteHost(), "127.0.0.2"); }},
      {"local port", [](LinkSupervision&) { AppSettings.UdpPortLocale = FreePort(); },
       [](const UdpLink& link) { EXPECT_EQ(std::to_string(link.LocalPort()), AppSettings.UdpPortLocale); }},
      {"re-bind requested", [](LinkSupervision& supervision) { supervision.RequestRebind(); }, [](const UdpLink&) {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Defaults();
    link_.Close();
    BindSteady();
    c.change(supervision_);
    supervision_.Check();
    EXPECT_EQ(link_.State(), UdpLink::StateBound);
    c.expect(link_);
    EXPECT_FALSE(supervision_.IsRebindRequested());
    EXPECT_FALSE(supervision_.Steady());
    supervision_.Check();
    EXPECT_TRUE(supervision_.Steady());
  }
}

TEST_F(Supervision, APortTextThatIsNoNumberFailsTheCheckBeforeAnythingCloses) {
  BindSteady();
  const int port = link_.LocalPort();
  for (const char* text : {"", "80a", " 80", "9999999999999999999999"}) {
    SCOPED_TRACE(text);
    AppSettings.UdpPort = std::string(text);
    supervision_.RequestRebind();
    EXPECT_THROW(supervision_.Check(), RunTimeError);
    EXPECT_EQ(link_.State(), UdpLink::StateBound);
    EXPECT_EQ(link_.LocalPort(), port);
    EXPECT_TRUE(supervision_.IsRebindRequested()) << "kept for the check after the settings are mended";
  }
  AppSettings.UdpPort = std::string("9");
  supervision_.Check();
  EXPECT_FALSE(supervision_.IsRebindRequested());
}

TEST_F(Supervision, TheStatusTextIsMadeAgainOnlyWhenSomethingItShowsChanged) {
  const std::string info = "[ Local IP: 127.0.0.1 | Local Port: 0 | Remote IP: 127.0.0.1 | Remote Port: 9 ]";
  const std::optional<std::string> bound = supervision_.StatusTextIfChanged(1);
  ASSERT_TRUE(bound);
  EXPECT_TRUE(bound->ends_with(info)) << *bound;
  EXPECT_FALSE(supervision_.StatusTextIfChanged(1));
  AppSettings.UdpPort = std::string("10");
  const std::optional<std::string> moved = supervision_.StatusTextIfChanged(1);
  ASSERT_TRUE(moved);
  EXPECT_TRUE(moved->ends_with("Remote Port: 10 ]")) << *moved;
  // Closed: the state's text alone.
  const std::optional<std::string> closed = supervision_.StatusTextIfChanged(0);
  ASSERT_TRUE(closed);
  EXPECT_EQ(closed->find("[ Local IP"), std::string::npos);
  AppSettings.Language = AppSettings.Language == 0 ? 1 : 0;
  EXPECT_TRUE(supervision_.StatusTextIfChanged(0));
}

}  // namespace
