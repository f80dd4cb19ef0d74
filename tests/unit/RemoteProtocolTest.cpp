// The protocol of the single-instance socket: frames that arrive in pieces,
// plain lines beside them, and streams and requests that keep to no protocol.
#include <gtest/gtest.h>

#include "base/RemoteProtocol.h"

namespace toviwall::remote {
namespace {

using State = Reader::State;

// Feeds `bytes` one at a time; the messages in the order they became whole.
std::vector<Message> ReadAll(Reader& reader, const std::string& bytes) {
  std::vector<Message> messages;
  for (char c : bytes) {
    reader.Append(std::string_view(&c, 1));
    Message m;
    State s;
    while ((s = reader.Next(m)) == State::Ready) messages.push_back(m);
    EXPECT_NE(s, State::Malformed) << reader.Why();
  }
  return messages;
}

TEST(RemoteProtocol, RequestsAndAnswersArriveWholeHoweverTheBytesCome) {
  const Request add{Command::Add, {"/home/u/a b.png", "/home/u/line\nbreak/", "/home/u/caf\xc3\xa9.jpg"}};
  Reader server(kMaxRequestBytes, true);
  // Plain messages of earlier starts share the socket, trimmed as before.
  std::vector<Message> got = ReadAll(server, "ToviMsgTovi_WallChanger\r\n  RefreshDesktop \nTOV\n" + Encode(add));
  ASSERT_EQ(got.size(), 4u);
  EXPECT_EQ(got[0].line, "ToviMsgTovi_WallChanger");
  EXPECT_EQ(got[1].line, "RefreshDesktop");
  EXPECT_EQ(got[2].line, "TOV");
  std::string why;
  std::optional<Request> request = DecodeRequest(got[3], why);
  ASSERT_TRUE(request) << why;
  EXPECT_EQ(request->command, Command::Add);
  EXPECT_EQ(request->paths, add.paths);
  EXPECT_EQ(Encode(Request{Command::Status, {}}), std::string("TOVIWALL/1 6\nstatus"));

  Reader client(kMaxReplyBytes, false);
  got = ReadAll(client, Encode(Reply{Status::Working, {}}) + Encode(Reply{Status::Ok, {"row=2", ""}}));
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(DecodeReply(got[0], why)->status, Status::Working);
  std::optional<Reply> ok = DecodeReply(got[1], why);
  ASSERT_TRUE(ok) << why;
  EXPECT_EQ(ok->lines, (std::vector<std::string>{"row=2", ""}));
}

TEST(RemoteProtocol, MalformedStreamsEndWithoutKeepingTheirBytes) {
  const std::string longHeader = "TOVIWALL/1 " + std::string(30, '1');
  const std::pair<std::string, const char*> cases[] = {
      {"TOVIWALL/1 six\nstatus", "malformed frame header"},
      {"TOVIWALL/0 6\nstatus", "malformed frame header"},
      {"TOVIWALL/1 0\n", "an empty frame"},
      {"TOVIWALL/1 4194305\n", "a frame of 4194305 bytes"},
      {longHeader, "header longer than 32"},
      {std::string(5000, 'x'), "a line of more than 4096"},
  };
  for (const auto& [bytes, why] : cases) {
    Reader reader(kMaxRequestBytes, true);
    reader.Append(bytes);
    Message m;
    EXPECT_EQ(reader.Next(m), State::Malformed) << bytes.substr(0, 40);
    EXPECT_NE(reader.Why().find(why), std::string::npos) << reader.Why();
    EXPECT_EQ(reader.Pending(), 0u);
    reader.Append(Encode(Request{Command::Status, {}}));
    EXPECT_EQ(reader.Next(m), State::Malformed) << "stays so";
  }
  // More than one whole message at once is refused as it comes.
  Reader reader(100, false);
  reader.Append(std::string(200, 'T'));
  EXPECT_EQ(reader.Pending(), 0u);
  Message m;
  EXPECT_EQ(reader.Next(m), State::Malformed);
  // An answer is never a plain line.
  Reader client(kMaxReplyBytes, false);
  client.Append("ok\n");
  EXPECT_EQ(client.Next(m), State::Malformed);
}

TEST(RemoteProtocol, FramesThatCarryNothingToActOnAreRefusedWithTheReason) {
  auto decode = [](int version, std::vector<std::string> fields) {
    Message frame{Message::Kind::Frame, {}, version, std::move(fields)};
    std::string why;
    std::optional<Request> request = DecodeRequest(frame, why);
    return request ? std::string("ok") : why;
  };
  EXPECT_EQ(decode(1, {"next"}), "ok");
  EXPECT_EQ(decode(2, {"next"}), "protocol version 2 (this program speaks version 1)");
  EXPECT_EQ(decode(1, {"fetch\x01"}), "an unknown command \"fetch?\"");
  EXPECT_EQ(decode(1, {"status", "x"}), "the command \"status\" with arguments (it takes none)");
  EXPECT_EQ(decode(1, {"add"}), "the command \"add\" without paths");
  EXPECT_EQ(decode(1, {"add", "/a.png", "b.png"}), "the command \"add\" with a path that is not absolute: \"b.png\"");
  // What the peer sent comes back as valid UTF-8 text, whatever its bytes.
  EXPECT_EQ(decode(1, {"f\xC3\xA9tch\xFF\xC0\xAF\xED\xA0\x80\xE2\x82"}), "an unknown command \"f\xC3\xA9tch????????\"");
  EXPECT_EQ(decode(1, {std::string(30, 'x') + "\xC3\xA9\xC3\xA9" + std::string(20, 'y')}),
            "an unknown command \"" + std::string(30, 'x') + "\xC3\xA9\xC3\xA9" + std::string(8, 'y') + "...\"");

  auto answer = [](std::vector<std::string> fields) {
    std::string why;
    return DecodeReply(Message{Message::Kind::Frame, {}, 1, std::move(fields)}, why).has_value();
  };
  EXPECT_TRUE(answer({"refused", "the image list is empty"}));
  EXPECT_FALSE(answer({"refused"}));
  EXPECT_FALSE(answer({"working", "x"}));
  EXPECT_FALSE(answer({"maybe"}));
}

}  // namespace
}  // namespace toviwall::remote
