#pragma once
// The commands a later start (or a script) hands the running program over its
// per-user socket, and the running program's answers. Plain logic: encoding,
// decoding and the bounded reader the socket's bytes go through.
//
// A frame is the header line "TOVIWALL/<version> <length>\n" followed by
// exactly <length> bytes: fields separated by NUL bytes (a path cannot hold
// one). A request's fields are the command name and its paths; an answer's are
// its status ("ok", "refused", "failed", "working") and its lines. The header
// stays the same in every version, so a frame of an unknown version can still
// be read past and answered. The plain messages of earlier starts and other
// programs ("ToviMsg<name>", "RefreshDesktop": one line each) share the socket.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace toviwall::remote {

inline constexpr int kVersion = 1;
inline constexpr std::string_view kMagic = "TOVIWALL/";
// Above what any command line can carry (the kernel's argument limit is 2 MiB
// with the default stack), so no --add is cut short by the bound.
inline constexpr std::size_t kMaxRequestBytes = std::size_t{4} << 20;
inline constexpr std::size_t kMaxReplyBytes = std::size_t{64} << 10;
inline constexpr std::size_t kMaxLineBytes = 4096;

enum class Command { Change, Next, Previous, None, Show, Hide, Toggle, Add, Status, Exit };

// "change", "next", ... as on the socket; the switch is "--" followed by it.
std::string_view CommandName(Command command);
std::optional<Command> CommandNamed(std::string_view name);

struct Request {
  Command command = Command::Toggle;
  std::vector<std::string> paths;  // Add: absolute paths, at least one
};

enum class Status {
  Ok,       // carried out; the lines are its output
  Refused,  // not done; the one line says why
  Failed,   // tried and went wrong; the one line says why
  Working,  // still waiting or working on it: a sign of life, the answer follows
};

struct Reply {
  Status status = Status::Ok;
  std::vector<std::string> lines;
};

std::string Encode(const Request& request);
std::string Encode(const Reply& reply);

// One message taken off the socket.
struct Message {
  enum class Kind { Line, Frame };
  Kind kind = Kind::Line;
  std::string line;  // Line: without its line end and surrounding blanks
  int version = 0;   // Frame
  std::vector<std::string> fields;
};

// Takes the bytes as they come and hands out whole messages. Bounded: a frame
// may hold at most `maxFrameBytes`, a line at most kMaxLineBytes, and nothing
// more than one whole message is kept waiting. Once the stream is found
// malformed, it stays so and Why() says what was wrong.
class Reader {
 public:
  // `acceptLines`: plain messages may come (the listening side); otherwise
  // only frames (the answers a later start reads).
  Reader(std::size_t maxFrameBytes, bool acceptLines);

  enum class State { NeedMore, Ready, Malformed };
  void Append(std::string_view bytes);
  // The next whole message into `out` (Ready), or what is missing or wrong.
  State Next(Message& out);
  const std::string& Why() const { return why_; }
  // Bytes kept that belong to no whole message yet.
  std::size_t Pending() const { return buffer_.size(); }

 private:
  State Fail(std::string why);
  std::size_t maxFrame_;
  bool acceptLines_;
  std::string buffer_;
  std::string why_;
};

// Text a peer sent, fit for an answer and a log line: at most `maxCharacters`
// characters (then "..."), control bytes and bytes that are no UTF-8 as '?'.
std::string Printable(std::string_view text, std::size_t maxCharacters = 40);

// The request a frame carries; nullopt and `why` when it is none we can act on
// (another version, an unknown command, paths that do not fit the command).
std::optional<Request> DecodeRequest(const Message& frame, std::string& why);
std::optional<Reply> DecodeReply(const Message& frame, std::string& why);

}  // namespace toviwall::remote
