#pragma once
// Work the operator waits for, but the traffic must not: a save or a find
// over millions of entries runs below the receive thread's priority. On a
// machine whose cores are all busy (a flood, the window painting, a sender
// on the same machine) the receive thread then keeps the processor time it
// needs to drain the socket, and the long job takes longer instead.
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

// Lowers the calling thread's priority (on Linux the nice value is per
// thread); nothing happens where the system refuses.
inline void RunBelowTraffic() {
  constexpr int kNice = 10;
  ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kNice);
}

// Lower still: the calling thread runs on processor time no other thread
// wants (SCHED_IDLE), and below the traffic where the system refuses that.
// Even a nice thread takes a tenth of a busy core, and at 400,000 datagrams
// a second that tenth is what the receive thread lacks. Only for a job that
// holds the traffic store's lock rarely and briefly (it reads in runs): a
// thread this low that is preempted while holding it would keep the receive
// thread waiting behind every other thread of the machine.
inline void RunWhenIdle() {
  const sched_param none{};
  if (::pthread_setschedparam(::pthread_self(), SCHED_IDLE, &none) != 0) RunBelowTraffic();
}
