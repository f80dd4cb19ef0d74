// The update text fetched from a real HTTP server on 127.0.0.1: the replies and
// what they say against the program's own version, the request's User-Agent,
// and the limits: error status, no answer, an oversized reply, redirects.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include "support/TestSession.h"
#include "update/VersionCheck.h"
#include "update/ui/ToviGetHttpText.h"

namespace toviwall {
namespace {

class UpdateCheckTest : public ::testing::Test {
 protected:
  // Fetches `url` as the About box does; answers whether a reply arrived.
  bool Fetch(const std::string& url, int timeOutSeconds = 15) {
    fetch.Url = QString::fromStdString(url);
    fetch.Agent = QStringLiteral("Tovi WallChanger");
    fetch.TimeOut = timeOutSeconds;
    fetch.TheText.clear();
    bool ok = false, done = false;
    QEventLoop loop;
    auto c = QObject::connect(&fetch, &TToviGetHttpText::Finished, &loop, [&](bool fetched) {
      ok = fetched;
      done = true;
      loop.quit();
    });
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    fetch.Fetch();
    if (!done) loop.exec();
    QObject::disconnect(c);
    EXPECT_TRUE(done) << "no answer at all";
    return ok;
  }
  std::string Address() const { return server.Base() + "update/wall.txt"; }

  test::UpdateServer server;
  TToviGetHttpText fetch;
};

TEST_F(UpdateCheckTest, RepliesAreReadAsLinesAndComparedWithTheOwnVersion) {
  const update::Version own{2, 3, 5, 41};
  struct Case {
    const char* reply;
    bool newer;
    const char* display;
  } cases[] = {
      {"text 2.3.5.41", false, "2.3.5 (Build 41)"},
      {"text 2.3.5.42", true, "2.3.5 (Build 42)"},
      {"text 2.4.0.0", true, "2.4.0 (Build 0)"},
      {"text 2.3.5.42\\r\\n", true, "2.3.5 (Build 42)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reply);
    server.Reply(c.reply);
    ASSERT_TRUE(Fetch(Address())) << fetch.ErrorText().toStdString();
    update::CheckResult r = update::CheckReply(own, fetch.TheText.toStdString());
    EXPECT_EQ(r.failure, "");
    EXPECT_EQ(r.newer, c.newer);
    EXPECT_EQ(r.displayText, c.display);
  }
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), std::size(cases));
  EXPECT_EQ(requests.front(), "/update/wall.txt\tTovi WallChanger");
}

// What arrives is no version: a portal's page with status 200, bytes that are no
// UTF-8 before the version, a long line of letters. None is "the latest version".
TEST_F(UpdateCheckTest, AnAnswerThatIsNoVersionFailsTheCheck) {
  for (const std::string& reply :
       {std::string("html <html><head><title>Sign in</title></head><body>Wi-Fi 2.4.0.0</body></html>"),
        std::string("bytes ff fe 32 2e 33 2e 35 2e 34 32"), "text " + std::string(60 * 1024, 'A')}) {
    SCOPED_TRACE(reply.substr(0, 40));
    server.Reply(reply);
    ASSERT_TRUE(Fetch(Address())) << fetch.ErrorText().toStdString();
    const update::CheckResult r = update::CheckReply({2, 3, 5, 41}, fetch.TheText.toStdString());
    EXPECT_FALSE(r.newer);
    EXPECT_EQ(r.failure.rfind("The server's answer is not a version number: \"", 0), 0u) << r.failure;
  }
}

TEST_F(UpdateCheckTest, ErrorsSilenceAndOversizedRepliesFailWithAReason) {
  server.Reply("status 404 <html>Not Found</html>");
  EXPECT_FALSE(Fetch(Address()));
  EXPECT_TRUE(fetch.ErrorText().contains(QStringLiteral("404"))) << fetch.ErrorText().toStdString();

  server.Reply("hang");
  QElapsedTimer clock;
  clock.start();
  EXPECT_FALSE(Fetch(Address(), 1));
  EXPECT_LT(clock.elapsed(), 10000);
  EXPECT_TRUE(fetch.ErrorText().contains(QStringLiteral("did not answer"))) << fetch.ErrorText().toStdString();

  for (const char* big : {"big 10485760", "stream 10485760"}) {
    SCOPED_TRACE(big);
    server.Reply(big);
    EXPECT_FALSE(Fetch(Address()));
    EXPECT_TRUE(fetch.ErrorText().contains(QStringLiteral("64 KiB"))) << fetch.ErrorText().toStdString();
    EXPECT_TRUE(fetch.TheText.isEmpty());
  }
}

TEST_F(UpdateCheckTest, RedirectsAreFollowedOnlyToWebAddresses) {
  test::UpdateServer other;
  other.Reply("text 2.3.5.42");
  server.Reply("redirect " + other.Base() + "update/wall.txt");
  ASSERT_TRUE(Fetch(Address())) << fetch.ErrorText().toStdString();
  EXPECT_EQ(fetch.TheText.toStdString(), "2.3.5.42\r\n");
  EXPECT_EQ(other.Requests().size(), 1u);

  test::TempDir dir;
  test::WriteFile(dir / "wall.txt", "9.9.9.9");
  server.Reply("redirect file://" + dir / "wall.txt");
  EXPECT_FALSE(Fetch(Address()));
  EXPECT_TRUE(fetch.ErrorText().contains(QStringLiteral("not a web address"))) << fetch.ErrorText().toStdString();

  const std::size_t before = server.Requests().size();
  server.Reply("redirect " + Address());  // round and round
  EXPECT_FALSE(Fetch(Address()));
  EXPECT_EQ(server.Requests().size() - before, 1u + TToviGetHttpText::kMaxRedirects);
  EXPECT_TRUE(fetch.ErrorText().contains(QStringLiteral("more than 3 times"))) << fetch.ErrorText().toStdString();
}

}  // namespace
}  // namespace toviwall
