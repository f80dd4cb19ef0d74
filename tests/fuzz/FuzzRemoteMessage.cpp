// Any bytes as what arrives on the single-instance socket, in pieces whose
// sizes the first byte chooses: every request the reader takes must encode
// and read back as itself; the same bytes as an answer must not crash either.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "base/RemoteProtocol.h"

namespace {

using namespace toviwall::remote;

// Reads every message out of `bytes`; for each one the decoder takes, calls `taken`.
template <class Decode, class Taken>
void ReadAll(Reader& reader, std::string_view bytes, std::size_t piece, Decode decode, Taken taken) {
  for (std::size_t at = 0; at < bytes.size(); at += piece) {
    reader.Append(bytes.substr(at, piece));
    Message message;
    Reader::State state;
    while ((state = reader.Next(message)) == Reader::State::Ready) {
      std::string why;
      if (auto decoded = decode(message, why)) taken(*decoded);
      else if (message.kind == Message::Kind::Frame && why.empty()) std::abort();
    }
    if (state == Reader::State::Malformed) {
      if (reader.Why().empty() || reader.Pending() != 0) std::abort();
      return;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t piece = 1 + data[0] % 64;
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);

  Reader server(kMaxRequestBytes, true);
  ReadAll(server, bytes, piece, DecodeRequest, [](const Request& request) {
    Reader again(kMaxRequestBytes, false);
    again.Append(Encode(request));
    Message message;
    std::string why;
    if (again.Next(message) != Reader::State::Ready) std::abort();
    const auto back = DecodeRequest(message, why);
    if (!back || back->command != request.command || back->paths != request.paths) std::abort();
  });
  Reader client(kMaxReplyBytes, false);
  ReadAll(client, bytes, piece, DecodeReply, [](const Reply&) {});
  return 0;
}
