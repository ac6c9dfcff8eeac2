#include "traffic/TrafficSession.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QMetaObject>
#include <array>
#include <cerrno>
#include <chrono>
#include <system_error>

#include "core/Platform.h"
#include "notation/FrameCheck.h"
#include "notation/Notation.h"
#include "traffic/TimeOfDay.h"

namespace {

constexpr int kBatch = 32;                   // datagrams per recvmmsg call
constexpr std::size_t kMaxDatagram = 65536;  // larger than any UDP payload
// While datagrams keep coming, the log is written and the window told at
// least this often; otherwise once the socket is empty.
constexpr std::chrono::milliseconds kFlushInterval{4};

}  // namespace

TrafficSession::TrafficSession(QObject* parent)
    : TrafficSession(CurrentPlatform().ScratchFolders(), TrafficStore::Limits{}, parent) {}

TrafficSession::TrafficSession(std::vector<std::string> folders, TrafficStore::Limits limits, QObject* parent)
    : QObject(parent),
      link_(new UdpLink(this)),
      list_(new TrafficListModel(std::move(folders), limits, this)),
      wakeFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  if (wakeFd_ < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
  link_->setObjectName("wskPort");
  link_->SetWatcher(this);
  thread_ = std::thread([this] { ReceiveLoop(); });
}

TrafficSession::~TrafficSession() {
  // The socket goes first, while the receive thread can still let go of it.
  link_->Close();
  link_->SetWatcher(nullptr);
  stopping_ = true;
  Wake();
  thread_.join();
  ::close(wakeFd_);
  std::string ignored;
  log_.Close(&ignored);
}

void TrafficSession::Wake() const {
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
}

std::unique_lock<std::mutex> TrafficSession::LockAsWindow() const {
  ++windowWaiting_;
  std::unique_lock lock(receiving_);
  --windowWaiting_;
  return lock;
}

void TrafficSession::SocketOpened(int fd) {
  {
    const std::unique_lock lock = LockAsWindow();
    socket_ = fd;
  }
  {
    const std::lock_guard lock(waitMutex_);
    watched_ = fd;
  }
  Wake();
}

void TrafficSession::SocketClosing() {
  // Under the mutex no batch is half taken; after it the receive thread no
  // longer reads the socket, and the wake ends its wait on it before the
  // number can stand for another socket.
  {
    const std::unique_lock lock = LockAsWindow();
    socket_ = -1;
  }
  // A socket lives on while a poll() waits on it, bound to its port: the
  // receive thread must have left its wait before the link closes the
  // socket and binds the port anew.
  std::unique_lock lock(waitMutex_);
  watched_ = -1;
  Wake();
  waitEnded_.wait(lock, [this] { return waitingOn_ < 0; });
}

// Where recvmmsg puts a batch: room for the largest datagram in each slot.
struct TrafficSession::Buffers {
  Buffers() : bytes(kBatch * kMaxDatagram) {
    for (int i = 0; i < kBatch; ++i) {
      vectors[i] = {bytes.data() + static_cast<std::size_t>(i) * kMaxDatagram, kMaxDatagram};
      messages[i].msg_hdr.msg_iov = &vectors[i];
      messages[i].msg_hdr.msg_iovlen = 1;
    }
  }
  std::vector<char> bytes;
  std::array<mmsghdr, kBatch> messages{};
  std::array<iovec, kBatch> vectors{};
};

void TrafficSession::ReceiveLoop() {
  Buffers buffers;
  while (!stopping_) {
    int fd = -1;
    {
      const std::lock_guard lock(waitMutex_);
      fd = waitingOn_ = watched_;
    }
    std::array<pollfd, 2> waitFor{{{wakeFd_, POLLIN, 0}, {fd, POLLIN, 0}}};
    const int ready = ::poll(waitFor.data(), waitFor.size(), -1);
    {
      const std::lock_guard lock(waitMutex_);
      waitingOn_ = -1;
    }
    waitEnded_.notify_all();
    if (ready < 0) continue;  // EINTR: wait again
    if ((waitFor[0].revents & POLLIN) != 0) {
      std::uint64_t count = 0;
      [[maybe_unused]] const ssize_t taken = ::read(wakeFd_, &count, sizeof count);
    }
    if (fd >= 0 && waitFor[1].revents != 0 && !Drain(buffers)) {
      // The socket stays readable with its error, so waiting on it would
      // spin: the link leaves state 1, and the supervision binds anew.
      {
        const std::lock_guard lock(waitMutex_);
        if (watched_ == fd) watched_ = -1;
      }
      QMetaObject::invokeMethod(
          this,
          [this] {
            link_->Fail();
            emit LinkFailed();
          },
          Qt::QueuedConnection);
    }
  }
}

bool TrafficSession::Drain(Buffers& buffers) {
  auto flushAt = std::chrono::steady_clock::now() + kFlushInterval;
  bool failed = false;
  for (;;) {
    // The window thread waiting for the mutex goes first.
    while (windowWaiting_ > 0) std::this_thread::yield();
    std::unique_lock lock(receiving_);
    if (socket_ < 0) break;  // closed meanwhile
    const int count = ::recvmmsg(socket_, buffers.messages.data(), kBatch, MSG_DONTWAIT, nullptr);
    if (count < 0) failed = errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR;
    if (count <= 0) break;
    {
      TrafficStore::Batch batch(list_->Store());
      for (int i = 0; i < count; ++i) {
        Handle(batch,
               std::string_view(static_cast<const char*>(buffers.vectors[i].iov_base), buffers.messages[i].msg_len));
      }
    }
    if (std::chrono::steady_clock::now() >= flushAt) {
      FlushLog();
      TellArrivals();
      flushAt = std::chrono::steady_clock::now() + kFlushInterval;
    }
  }
  {
    const std::unique_lock lock(receiving_);
    FlushLog();
  }
  TellArrivals();
  return !failed;
}

void TrafficSession::Handle(TrafficStore::Batch& batch, std::string_view datagram) {
  const std::int64_t now = UtcMicroseconds();
  // A frame with a wrong block check is marked in the list and counted.
  const std::optional<FrameBlockCheck> frame = CheckFrame(datagram);
  const bool badFrame = frame && !frame->Valid();
  counters_.Received(now, badFrame);
  const bool display = peculiar_.load(std::memory_order_relaxed) == 1;
  batch.Append(display ? EntryKind::IncomingDisplay : EntryKind::IncomingRaw, now, datagram, badFrame);
  if (log_.IsOpen()) {
    // The log carries the other form than the list.
    char stamp[12];
    FormatTimeOfDay(MillisecondOfDay(now), ':', stamp);
    if (display) {
      log_.WriteLine(std::string_view(stamp, sizeof stamp), datagram);
    } else {
      log_.WriteLine(std::string_view(stamp, sizeof stamp), fkt_RawToSpecialChars(std::string(datagram)));
    }
  }
}

void TrafficSession::FlushLog() {
  std::string reason;
  if (!log_.IsOpen() || log_.Flush(&reason)) return;
  const QByteArray path = QByteArray::fromStdString(log_.Path());
  std::string ignored;
  log_.Close(&ignored);
  QMetaObject::invokeMethod(
      this, [this, path, why = QByteArray::fromStdString(reason)] { emit LogFailed(path, why); }, Qt::QueuedConnection);
}

void TrafficSession::TellArrivals() {
  if (arrivalsTold_.exchange(true)) return;
  QMetaObject::invokeMethod(
      this,
      [this] {
        arrivalsTold_ = false;
        emit EntriesArrived();
      },
      Qt::QueuedConnection);
}

void TrafficSession::ReceiveData(std::string_view datagram) {
  {
    const std::unique_lock lock = LockAsWindow();
    {
      TrafficStore::Batch batch(list_->Store());
      Handle(batch, datagram);
    }
    FlushLog();
  }
  TellArrivals();
}

std::optional<std::uint64_t> TrafficSession::Send(const std::string& line, const std::string& raw, bool transmit) {
  const std::unique_lock lock = LockAsWindow();
  const std::int64_t now = UtcMicroseconds();
  if (transmit) link_->SendData(raw);
  const std::uint64_t entry = list_->Store().Count();
  const bool display = peculiar_.load(std::memory_order_relaxed) != 0;
  const bool listed =
      list_->Store().Append(display ? EntryKind::Outgoing : EntryKind::OutgoingRaw, now, display ? line : raw);
  counters_.Sent(now, transmit);
  if (!listed) return std::nullopt;
  return entry;
}

FileStatus TrafficSession::StartLog(const std::string& path) {
  const std::unique_lock lock = LockAsWindow();
  return log_.Open(path);
}

bool TrafficSession::StopLog(std::string* reason) {
  const std::unique_lock lock = LockAsWindow();
  return log_.Close(reason);
}

bool TrafficSession::Logging() const {
  const std::unique_lock lock = LockAsWindow();
  return log_.IsOpen();
}

void TrafficSession::Clear() {
  {
    const std::unique_lock lock = LockAsWindow();
    list_->Store().Clear();
    counters_.Clear();
  }
  list_->StartOver();
}

CounterReadings TrafficSession::ReadCounters(std::int64_t nowMs) {
  const std::unique_lock lock = LockAsWindow();
  return counters_.Read(nowMs);
}
