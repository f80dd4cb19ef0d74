#include "platform/sway/SwayIpc.h"

#include <cerrno>
#include <chrono>
#include <cstring>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace toviwall::platform {
namespace {

constexpr char kMagic[] = {'i', '3', '-', 'i', 'p', 'c'};
constexpr std::size_t kHeader = sizeof kMagic + 8;
constexpr std::uint32_t kMaxPayload = 64u << 20;  // GET_TREE of a busy desktop is a few MB
constexpr int kReplyTimeoutMs = 5000;

std::string Errno(const std::string& what) { return what + ": " + std::strerror(errno); }

}  // namespace

bool TakeSwayFrame(std::string& buffer, SwayFrame& frame) {
  if (buffer.size() < kHeader) return false;
  if (std::memcmp(buffer.data(), kMagic, sizeof kMagic) != 0) throw SwayIpcError("sway's IPC sent no i3-ipc message");
  std::uint32_t length = 0;
  std::memcpy(&length, buffer.data() + sizeof kMagic, 4);
  if (length > kMaxPayload) throw SwayIpcError("sway's IPC sent an oversized message");
  if (buffer.size() < kHeader + length) return false;
  std::memcpy(&frame.type, buffer.data() + sizeof kMagic + 4, 4);
  frame.payload.assign(buffer, kHeader, length);
  buffer.erase(0, kHeader + length);
  return true;
}

SwayConnection::SwayConnection(const std::string& socketPath) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (socketPath.empty() || socketPath.size() >= sizeof address.sun_path)
    throw SwayIpcError("no usable sway IPC socket path: \"" + socketPath + "\"");
  std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
  fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd_ < 0) throw SwayIpcError(Errno("cannot make a socket"));
  // A local socket connects at once or not at all.
  if (::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    const std::string why = Errno("cannot connect to sway at " + socketPath);
    ::close(fd_);
    fd_ = -1;
    throw SwayIpcError(why);
  }
}

SwayConnection::~SwayConnection() {
  if (fd_ >= 0) ::close(fd_);
}

void SwayConnection::Send(SwayMessage type, std::string_view payload) {
  std::string message(kMagic, sizeof kMagic);
  const auto length = static_cast<std::uint32_t>(payload.size());
  const auto kind = static_cast<std::uint32_t>(type);
  message.append(reinterpret_cast<const char*>(&length), 4);
  message.append(reinterpret_cast<const char*>(&kind), 4);
  message.append(payload);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kReplyTimeoutMs);
  for (std::size_t sent = 0; sent < message.size();) {
    const ssize_t n = ::send(fd_, message.data() + sent, message.size() - sent, MSG_NOSIGNAL);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) throw SwayIpcError(Errno("cannot talk to sway"));
    pollfd p{fd_, POLLOUT, 0};
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) == 0)
      throw SwayIpcError("sway takes no message");
  }
}

std::string SwayConnection::Request(SwayMessage type, std::string_view payload) {
  Send(type, payload);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kReplyTimeoutMs);
  SwayFrame frame;
  for (;;) {
    while (TakeSwayFrame(buffer_, frame))
      if (frame.type == static_cast<std::uint32_t>(type)) return std::move(frame.payload);
    pollfd p{fd_, POLLIN, 0};
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) throw SwayIpcError("sway does not answer");
    if (::poll(&p, 1, static_cast<int>(left.count())) < 0 && errno != EINTR) throw SwayIpcError(Errno("poll"));
    if (!ReadAvailable()) throw SwayIpcError("sway closed its IPC connection");
  }
}

bool SwayConnection::ReadAvailable() {
  char chunk[65536];
  for (;;) {
    const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
    if (n > 0) {
      buffer_.append(chunk, static_cast<std::size_t>(n));
      continue;
    }
    if (n == 0) return false;
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return true;
    return false;
  }
}

}  // namespace toviwall::platform
