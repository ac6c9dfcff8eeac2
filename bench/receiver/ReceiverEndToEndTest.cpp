// udp_load and minimal_receiver together on a loopback port: what one sends
// the other must log and check, and a loss must come out as a failure, not
// as a complete run.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace {

int FreePort() {
  const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof sa;
  const bool bound = fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0 &&
                     ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &length) == 0;
  if (fd >= 0) ::close(fd);
  if (!bound) ADD_FAILURE() << "no free UDP port on 127.0.0.1";
  return ntohs(sa.sin_port);
}

std::string ReadLine(FILE* pipe) {
  char line[512];
  return std::fgets(line, sizeof line, pipe) != nullptr ? line : "";
}

TEST(ReceiverEndToEnd, LogsAndChecksWhatTheLoadSent) {
  const struct {
    const char* name;
    const char* load;      // udp_load options after port
    const char* receiver;  // minimal_receiver options after port and log
    int exitCode;
    const char* report;
  } cases[] = {
      {"all arrive", "20000 0.1", "--expect 2000", 0, "received=2000 lost=0 misplaced=0 malformed=0 complete=yes"},
      {"numbered from 500", "20000 0.1 --first 500", "--first 500 --expect 2000", 0, "lost=0 misplaced=0"},
      {"more expected than sent", "20000 0.1", "--expect 2100", 4, "received=2000 lost=100"},
      {"numbers not where expected", "20000 0.1 --first 10", "--expect 2000", 4, "lost=10 misplaced=10"},
  };
  const std::string log = ::testing::TempDir() + "receiver_end_to_end_" + std::to_string(::getpid()) + ".log";
  for (const auto& c : cases) {
    const std::string port = std::to_string(FreePort());
    std::string receiver(MINIMAL_RECEIVER);
    for (const std::string& part : {port, log, std::string(c.receiver)}) receiver.append(" ").append(part);
    receiver += " --quiet 300 --wait 10";
    FILE* pipe = ::popen(receiver.c_str(), "r");
    ASSERT_NE(pipe, nullptr) << c.name;
    // Sending starts only once the receiver is bound.
    EXPECT_EQ(ReadLine(pipe).rfind("minimal_receiver ready", 0), 0U) << c.name;
    const std::string load = std::string(UDP_LOAD) + " " + port + " " + c.load + " > /dev/null";
    EXPECT_EQ(std::system(load.c_str()), 0) << c.name;

    const std::string report = ReadLine(pipe);
    const int status = ::pclose(pipe);
    EXPECT_TRUE(WIFEXITED(status)) << c.name;
    EXPECT_EQ(WEXITSTATUS(status), c.exitCode) << c.name << ": " << report;
    EXPECT_NE(report.find(c.report), std::string::npos) << c.name << ": " << report;
  }
  std::remove(log.c_str());
}

}  // namespace
