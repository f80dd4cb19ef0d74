#include "base/RemoteProtocol.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <utility>

namespace toviwall::remote {
namespace {

// "TOVIWALL/" + a version of up to 4 digits + " " + a length of up to 10 digits + "\n".
constexpr std::size_t kMaxHeaderBytes = 32;

constexpr std::array<std::pair<Command, std::string_view>, 10> kCommands{{
    {Command::Change, "change"},
    {Command::Next, "next"},
    {Command::Previous, "previous"},
    {Command::None, "none"},
    {Command::Show, "show"},
    {Command::Hide, "hide"},
    {Command::Toggle, "toggle"},
    {Command::Add, "add"},
    {Command::Status, "status"},
    {Command::Exit, "exit"},
}};

constexpr std::array<std::pair<Status, std::string_view>, 4> kStatuses{{
    {Status::Ok, "ok"},
    {Status::Refused, "refused"},
    {Status::Failed, "failed"},
    {Status::Working, "working"},
}};

std::string Frame(const std::vector<std::string_view>& fields) {
  std::string payload;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i) payload += '\0';
    payload += fields[i];
  }
  return std::string(kMagic) + std::to_string(kVersion) + " " + std::to_string(payload.size()) + "\n" + payload;
}

// The length of the valid UTF-8 character at the start of `s`; 0 when there is
// none (a stray byte, an overlong form, a surrogate, beyond U+10FFFF).
std::size_t Utf8CharacterLength(std::string_view s) {
  const auto b0 = static_cast<unsigned char>(s[0]);
  const std::size_t n = b0 < 0x80                  ? 1
                        : b0 >= 0xC2 && b0 <= 0xDF ? 2
                        : b0 >= 0xE0 && b0 <= 0xEF ? 3
                        : b0 >= 0xF0 && b0 <= 0xF4 ? 4
                                                   : 0;
  if (n == 0 || n > s.size()) return 0;
  char32_t c = b0 & (0x7F >> n);
  for (std::size_t i = 1; i < n; ++i) {
    const auto b = static_cast<unsigned char>(s[i]);
    if ((b & 0xC0) != 0x80) return 0;
    c = (c << 6) | (b & 0x3F);
  }
  static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  return c < kMin[n] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF) ? 0 : n;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// Digits only, at most `maxDigits`, into `value`.
bool ParseNumber(std::string_view text, std::size_t maxDigits, unsigned long long& value) {
  if (text.empty() || text.size() > maxDigits) return false;
  if (!std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) return false;
  return std::from_chars(text.data(), text.data() + text.size(), value).ec == std::errc();
}

bool VersionIsOurs(const Message& frame, std::string& why) {
  if (frame.version == kVersion) return true;
  why = "protocol version " + std::to_string(frame.version) + " (this program speaks version " +
        std::to_string(kVersion) + ")";
  return false;
}

}  // namespace

std::string Printable(std::string_view text, std::size_t maxCharacters) {
  std::string out;
  std::size_t at = 0;
  for (std::size_t characters = 0; at < text.size() && characters < maxCharacters; ++characters) {
    const std::size_t n = Utf8CharacterLength(text.substr(at));
    const auto c = static_cast<unsigned char>(text[at]);
    if (n == 0 || c < 0x20 || c == 0x7f) out += '?';
    else out.append(text.substr(at, n));
    at += n == 0 ? 1 : n;
  }
  return at < text.size() ? out + "..." : out;
}

std::string_view CommandName(Command command) {
  for (auto [c, name] : kCommands)
    if (c == command) return name;
  return {};
}

std::optional<Command> CommandNamed(std::string_view name) {
  for (auto [c, n] : kCommands)
    if (n == name) return c;
  return std::nullopt;
}

std::string Encode(const Request& request) {
  std::vector<std::string_view> fields{CommandName(request.command)};
  for (const std::string& path : request.paths) fields.push_back(path);
  return Frame(fields);
}

std::string Encode(const Reply& reply) {
  std::vector<std::string_view> fields;
  for (auto [s, name] : kStatuses)
    if (s == reply.status) fields.push_back(name);
  for (const std::string& line : reply.lines) fields.push_back(line);
  return Frame(fields);
}

Reader::Reader(std::size_t maxFrameBytes, bool acceptLines) : maxFrame_(maxFrameBytes), acceptLines_(acceptLines) {}

Reader::State Reader::Fail(std::string why) {
  if (why_.empty()) why_ = std::move(why);
  buffer_.clear();
  return State::Malformed;
}

void Reader::Append(std::string_view bytes) {
  if (!why_.empty()) return;
  // One whole message at most may wait here; anything beyond it is a peer
  // that does not keep to the protocol.
  const std::size_t limit = std::max(maxFrame_ + kMaxHeaderBytes, acceptLines_ ? kMaxLineBytes + 1 : 0);
  if (buffer_.size() + bytes.size() > limit) {
    Fail("more than " + std::to_string(limit) + " bytes without a whole message");
    return;
  }
  buffer_.append(bytes);
}

Reader::State Reader::Next(Message& out) {
  if (!why_.empty()) return State::Malformed;
  if (buffer_.empty()) return State::NeedMore;
  const std::size_t n = std::min(buffer_.size(), kMagic.size());
  const bool framed = std::string_view(buffer_).substr(0, n) == kMagic.substr(0, n);
  const std::size_t lineEnd = buffer_.find('\n');

  if (!framed || (buffer_.size() < kMagic.size() && lineEnd != std::string::npos)) {
    if (!acceptLines_) return Fail("not a frame: \"" + Printable(buffer_) + "\"");
    if (lineEnd == std::string::npos) {
      if (buffer_.size() > kMaxLineBytes) return Fail("a line of more than " + std::to_string(kMaxLineBytes) + " bytes");
      return State::NeedMore;
    }
    if (lineEnd > kMaxLineBytes) return Fail("a line of more than " + std::to_string(kMaxLineBytes) + " bytes");
    std::string_view line(buffer_.data(), lineEnd);
    while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
    while (!line.empty() && IsBlank(line.back())) line.remove_suffix(1);
    out = Message{};
    out.kind = Message::Kind::Line;
    out.line = std::string(line);
    buffer_.erase(0, lineEnd + 1);
    return State::Ready;
  }

  if (buffer_.size() < kMagic.size()) return State::NeedMore;
  if (lineEnd == std::string::npos || lineEnd >= kMaxHeaderBytes) {
    if (lineEnd == std::string::npos && buffer_.size() < kMaxHeaderBytes) return State::NeedMore;
    return Fail("a frame header longer than " + std::to_string(kMaxHeaderBytes) + " bytes");
  }
  const std::string_view header = std::string_view(buffer_).substr(kMagic.size(), lineEnd - kMagic.size());
  const std::size_t space = header.find(' ');
  unsigned long long version = 0, length = 0;
  if (space == std::string_view::npos || !ParseNumber(header.substr(0, space), 4, version) || version == 0 ||
      !ParseNumber(header.substr(space + 1), 10, length))
    return Fail("a malformed frame header \"" + Printable(buffer_.substr(0, lineEnd)) + "\"");
  if (length == 0) return Fail("an empty frame");
  if (length > maxFrame_)
    return Fail("a frame of " + std::to_string(length) + " bytes (at most " + std::to_string(maxFrame_) +
                " are taken)");
  const std::size_t start = lineEnd + 1;
  if (buffer_.size() - start < length) return State::NeedMore;

  out = Message{};
  out.kind = Message::Kind::Frame;
  out.version = static_cast<int>(version);
  const std::string_view payload = std::string_view(buffer_).substr(start, static_cast<std::size_t>(length));
  for (std::size_t from = 0;;) {
    const std::size_t nul = payload.find('\0', from);
    out.fields.emplace_back(payload.substr(from, nul == std::string_view::npos ? std::string_view::npos : nul - from));
    if (nul == std::string_view::npos) break;
    from = nul + 1;
  }
  buffer_.erase(0, start + static_cast<std::size_t>(length));
  return State::Ready;
}

std::optional<Request> DecodeRequest(const Message& frame, std::string& why) {
  if (frame.kind != Message::Kind::Frame || frame.fields.empty()) {
    why = "not a request";
    return std::nullopt;
  }
  if (!VersionIsOurs(frame, why)) return std::nullopt;
  const std::optional<Command> command = CommandNamed(frame.fields[0]);
  if (!command) {
    why = "an unknown command \"" + Printable(frame.fields[0]) + "\"";
    return std::nullopt;
  }
  Request request;
  request.command = *command;
  const std::string name(CommandName(*command));
  if (*command != Command::Add) {
    if (frame.fields.size() == 1) return request;
    why = "the command \"" + name + "\" with arguments (it takes none)";
    return std::nullopt;
  }
  if (frame.fields.size() < 2) {
    why = "the command \"add\" without paths";
    return std::nullopt;
  }
  for (std::size_t i = 1; i < frame.fields.size(); ++i) {
    const std::string& path = frame.fields[i];
    if (path.empty() || path[0] != '/') {
      why = "the command \"add\" with a path that is not absolute: \"" + Printable(path) + "\"";
      return std::nullopt;
    }
    request.paths.push_back(path);
  }
  return request;
}

std::optional<Reply> DecodeReply(const Message& frame, std::string& why) {
  if (frame.kind != Message::Kind::Frame || frame.fields.empty()) {
    why = "not an answer";
    return std::nullopt;
  }
  if (!VersionIsOurs(frame, why)) return std::nullopt;
  const auto known = std::find_if(kStatuses.begin(), kStatuses.end(),
                                  [&](const auto& s) { return s.second == frame.fields[0]; });
  if (known == kStatuses.end()) {
    why = "an unknown status \"" + Printable(frame.fields[0]) + "\"";
    return std::nullopt;
  }
  Reply reply;
  reply.status = known->first;
  reply.lines.assign(frame.fields.begin() + 1, frame.fields.end());
  const bool reasoned = reply.status == Status::Refused || reply.status == Status::Failed;
  if ((reasoned && reply.lines.size() != 1) || (reply.status == Status::Working && !reply.lines.empty())) {
    why = "an answer \"" + std::string(known->second) + "\" with " + std::to_string(reply.lines.size()) + " lines";
    return std::nullopt;
  }
  return reply;
}

}  // namespace toviwall::remote
