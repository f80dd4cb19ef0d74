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

}  // namespace

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
  std::optional<Version> remote = ParseVersion(replyText);
  if (!remote) return {false, std::string(replyText)};
  return {IsNewer(*remote, own), DisplayText(*remote)};
}

}  // namespace toviwall::update
