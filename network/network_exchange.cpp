#include "network/network_exchange.h"

#include <array>

#include "network/reply_line_splitter.h"

namespace velmar {
namespace {

constexpr size_t kChunkBytes = 16 * 1024;

bool Gone(Received::Status status) { return status == Received::Status::Closed || status == Received::Status::Failed; }

}  // namespace

bool DropStaleBytes(StreamSource& source) {
  std::array<char, kChunkBytes> buffer;
  for (size_t dropped = 0; dropped < kMaxStaleBytes;) {
    const Received got = source.Receive(buffer.data(), buffer.size(), 0);
    if (Gone(got.status)) return false;
    if (got.bytes == 0) break;
    dropped += got.bytes;
  }
  return true;
}

NetworkReply ReadNetworkReply(StreamSource& source, uint32_t timeoutMs, size_t maxBytes) {
  std::array<char, kChunkBytes> buffer;
  ReplyLineSplitter splitter(maxBytes);
  const uint64_t start = source.NowMs();
  for (;;) {
    const uint64_t elapsed = source.NowMs() - start;
    if (elapsed >= timeoutMs) break;
    const Received got = source.Receive(buffer.data(), buffer.size(), static_cast<uint32_t>(timeoutMs - elapsed));
    if (Gone(got.status)) return {splitter.Take(), true};
    splitter.Feed({buffer.data(), got.bytes});
    if (splitter.Complete()) break;
  }
  return {splitter.Take(), false};
}

}  // namespace velmar
