// The update text: parsing, the comparison with the program's own version, and
// the reply's lines (the replies of a real server: components/UpdateCheckTest).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "update/VersionCheck.h"

namespace toviwall::update {
namespace {

const Version kOwn{2, 3, 5, 41};

TEST(VersionCheck, RepliesAgainstTheProgramsOwnVersion) {
  struct Case {
    const char* reply;
    bool newer;
    const char* display;
  } cases[] = {
      {" \t2.3.5.42\r\n\r\n", true, "2.3.5 (Build 42)"},
      // Four numbers compared in order: the weighted sum made 2.3.6.0 (2360) older
      // than 2.3.5.41 (2391) and 2.3.4.99 (2439) newer.
      {"2.3.6.0", true, "2.3.6 (Build 0)"},
      {"2.3.4.99", false, "2.3.4 (Build 99)"},
      {"10.0.0.0", true, "10.0.0 (Build 0)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reply);
    CheckResult r = CheckReply(kOwn, c.reply);
    EXPECT_EQ(r.failure, "");
    EXPECT_EQ(r.newer, c.newer);
    EXPECT_EQ(r.displayText, c.display);
  }
}

// Parts that are no number counted 0, so an error page or a portal's login page
// with three dots in it was an old version: "You have the latest version."
TEST(VersionCheck, RepliesThatAreNoVersionAreAFailedCheck) {
  const std::string manyAs(60 * 1024, 'A');
  for (const std::string& reply : std::vector<std::string>{"3.0", "<p>Apache/2.4.57 Server at 127.0.0.1</p>", "2.x.5.41 beta", "1.2.3.4.5",
                                  "2.3.5.", ".2.3.5", "2.3.5.42\r\n<html>", "\xEF\xBF\xBD" "2.3.5.42",
                                  "9999999999.0.0.0", "-2.3.5.42", " \t\r\n", manyAs}) {
    SCOPED_TRACE(reply.substr(0, 50));
    const CheckResult r = CheckReply(kOwn, reply);
    EXPECT_FALSE(r.newer);
    EXPECT_FALSE(r.failure.empty());
    EXPECT_LE(r.failure.size(), 120u) << "the reply is quoted short: " << r.failure;
  }
  EXPECT_EQ(CheckReply(kOwn, "<html>\n<body>2.3.5.42</body>").failure,
            "The server's answer is not a version number: \"<html>...\".");
  EXPECT_EQ(CheckReply(kOwn, manyAs).failure,
            "The server's answer is not a version number: \"" + manyAs.substr(0, 40) + "...\".");
}

TEST(VersionCheck, ReplyLinesEndEachLineWithCrLf) {
  EXPECT_EQ(ReplyLines(""), "");
  EXPECT_EQ(ReplyLines("2.3.5.42"), "2.3.5.42\r\n");
  EXPECT_EQ(ReplyLines("a\nb\r\nc\rd\n"), "a\r\nb\r\nc\r\nd\r\n");
  EXPECT_EQ(ReplyLines("\n\n"), "\r\n\r\n");
}

}  // namespace
}  // namespace toviwall::update
