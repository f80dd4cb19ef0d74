#include "platform/local/SessionEndSignals.h"

#include <QGuiApplication>

#include <cerrno>

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

namespace toviwall::platform {
namespace {

int g_writeFd = -1;  // the only state a signal handler may touch

void OnSignal(int sig) {
  int saved = errno;
  unsigned char b = static_cast<unsigned char>(sig);
  if (g_writeFd >= 0) (void)!::write(g_writeFd, &b, 1);
  errno = saved;
}

}  // namespace

SessionEndSignals::SessionEndSignals() {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fds_) != 0) return;
  g_writeFd = fds_[0];
  notifier_ = std::make_unique<QSocketNotifier>(fds_[1], QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
    unsigned char b = 0;
    while (::read(fds_[1], &b, 1) == 1) AnnounceEndRequested();
  });
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(sig, &sa, nullptr);
  if (qGuiApp) connect(qGuiApp, &QGuiApplication::commitDataRequest, this, [this] { AnnounceEndRequested(); });
}

SessionEndSignals::~SessionEndSignals() {
  struct sigaction sa {};
  sa.sa_handler = SIG_DFL;
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(sig, &sa, nullptr);
  g_writeFd = -1;
  notifier_.reset();
  for (int fd : fds_)
    if (fd >= 0) ::close(fd);
}

}  // namespace toviwall::platform
