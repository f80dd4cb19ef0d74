#pragma once
// The update text on the maker's server and how it compares with the program's
// own version. The text is a version "major.minor.release.build" (blanks and
// control characters around it are ignored).
#include <optional>
#include <string>
#include <string_view>

namespace toviwall::update {

struct Version {
  int major = 0, minor = 0, release = 0, build = 0;
};

// The text up to the first '.' is major, up to the second minor, up to the third
// release, everything after it build; a part that is no decimal number counts 0.
// A text with fewer than three '.' is no version.
std::optional<Version> ParseVersion(std::string_view text);

// The whole text (blanks and control characters around it aside) is four
// decimal numbers separated by dots. Anything else (an error page with status
// 200, a portal's login page) says nothing about versions.
bool IsVersionText(std::string_view text);

// "2.3.5 (Build 41)".
std::string DisplayText(const Version& v);

// True when `remote` is a later version than `own`: the four numbers compared in
// order, so 2.3.6.0 is later than 2.3.5.41.
bool IsNewer(const Version& remote, const Version& own);

// A reply body as the fetch keeps it: each line (ended by CR LF, CR or LF)
// followed by CR LF; empty when the body has no line.
std::string ReplyLines(std::string_view body);

struct CheckResult {
  bool newer = false;
  std::string displayText;  // the remote version's display text
  std::string failure;      // not empty: the reply is no version, and why, for the user
};
// What a reply says against the program's own version.
CheckResult CheckReply(const Version& own, std::string_view replyText);

}  // namespace toviwall::update
