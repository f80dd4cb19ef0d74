#pragma once
// sway's IPC socket ($SWAYSOCK): each message is "i3-ipc", its payload's length
// and its type (32 bits each, in the host's byte order), then the payload (JSON).
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace toviwall::platform {

class SwayIpcError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class SwayMessage : std::uint32_t { RunCommand = 0, Subscribe = 2, GetOutputs = 3 };

// Event types carry the high bit; "output" exists from sway 1.10 on.
inline constexpr std::uint32_t kSwayWorkspaceEvent = 0x80000000u;
inline constexpr std::uint32_t kSwayOutputEvent = 0x80000001u;

struct SwayFrame {
  std::uint32_t type = 0;
  std::string payload;
};

// Takes the first whole message off the front of `buffer`; false while it is
// incomplete. Throws SwayIpcError for bytes that are no message.
bool TakeSwayFrame(std::string& buffer, SwayFrame& frame);

// One connection to the socket. Requests wait for their reply (a few seconds
// at most); a subscribed connection hands its events out as they arrive.
class SwayConnection {
 public:
  explicit SwayConnection(const std::string& socketPath);  // throws SwayIpcError
  ~SwayConnection();
  SwayConnection(const SwayConnection&) = delete;
  SwayConnection& operator=(const SwayConnection&) = delete;

  // Sends one message and answers the payload of its reply.
  std::string Request(SwayMessage type, std::string_view payload);
  // Reads what has arrived without waiting; false once sway has closed the
  // connection. Whole messages are taken with TakeSwayFrame(Buffer(), ...).
  bool ReadAvailable();
  std::string& Buffer() { return buffer_; }
  int Fd() const { return fd_; }

 private:
  void Send(SwayMessage type, std::string_view payload);
  int fd_ = -1;
  std::string buffer_;
};

}  // namespace toviwall::platform
