#pragma once
// Work the operator waits for, but the traffic must not: a save or a find
// over millions of entries runs below the receive thread's priority. On a
// machine whose cores are all busy (a flood, the window painting, a sender
// on the same machine) the receive thread then keeps the processor time it
// needs to drain the socket, and the long job takes longer instead.
#include <sys/resource.h>
#include <unistd.h>

// Lowers the calling thread's priority (on Linux the nice value is per
// thread); nothing happens where the system refuses.
inline void RunBelowTraffic() {
  constexpr int kNice = 10;
  ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kNice);
}
