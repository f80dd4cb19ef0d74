#include "update/VersionCheck.h"

#include <charconv>
#include <tuple>

#include "base/SettingsPaths.h"

namespace toviwall::update {
namespace {

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' ' || c == '\x7f'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlankOrControl(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlankOrControl(s.back())) s.remove_suffix(1);
  return s;
}

int NumberOr0(std::string_view part) {
  if (!part.empty() && part.front() == '+') part.remove_prefix(1);
  int value = 0;
  auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
  return part.empty() || error != std::errc() || end != part.data() + part.size() ? 0 : value;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The start of a reply, fit for a message: its first line, at most 40
// characters, control characters as '?'.
std::string Excerpt(std::string_view text) {
  constexpr std::size_t kShown = 40;
  std::string out;
  std::size_t i = 0;
  for (std::size_t characters = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') break;
    const bool startsCharacter = (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    if (startsCharacter && ++characters > kShown) break;
    out += IsBlankOrControl(c) && c != ' ' ? '?' : c;
  }
  return i < text.size() ? out + "..." : out;
}

}  // namespace

bool IsVersionText(std::string_view text) {
  text = Trim(text);
  int parts = 1;
  std::size_t digits = 0;
  for (char c : text) {
    if (c == '.') {
      if (digits == 0) return false;
      ++parts;
      digits = 0;
    } else if (!IsDigit(c) || ++digits > 9) {  // nine digits always fit an int
      return false;
    }
  }
  return parts == 4 && digits > 0;
}

std::optional<Version> ParseVersion(std::string_view text) {
  text = Trim(text);
  std::string_view parts[4];
  for (int i = 0; i < 3; ++i) {
    const std::size_t dot = text.find('.');
    if (dot == std::string_view::npos) return std::nullopt;
    parts[i] = text.substr(0, dot);
    text.remove_prefix(dot + 1);
  }
  parts[3] = text;
  return Version{NumberOr0(parts[0]), NumberOr0(parts[1]), NumberOr0(parts[2]), NumberOr0(parts[3])};
}

std::string DisplayText(const Version& v) { return VersionText(v.major, v.minor, v.release, v.build); }

bool IsNewer(const Version& remote, const Version& own) {
  return std::tie(remote.major, remote.minor, remote.release, remote.build) >
         std::tie(own.major, own.minor, own.release, own.build);
}

std::string ReplyLines(std::string_view body) {
  std::string out;
  while (!body.empty()) {
    const std::size_t end = body.find_first_of("\r\n");
    out += body.substr(0, end);
    out += "\r\n";
    if (end == std::string_view::npos) break;
    const bool crlf = body[end] == '\r' && end + 1 < body.size() && body[end + 1] == '\n';
    body.remove_prefix(end + (crlf ? 2 : 1));
  }
  return out;
}

CheckResult CheckReply(const Version& own, std::string_view replyText) {
  if (!IsVersionText(replyText)) {
    const std::string_view start = Trim(replyText);
    return {false, {},
            start.empty() ? "The server's answer is empty."
                          : "The server's answer is not a version number: \"" + Excerpt(start) + "\"."};
  }
  const Version remote = *ParseVersion(replyText);
  return {IsNewer(remote, own), DisplayText(remote), {}};
}

}  // namespace toviwall::update
