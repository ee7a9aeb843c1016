// Progress replies of a BFTP master as the transfer thread reads them: the
// 8-byte header first, then the whole reply in the thread's 16,384-byte
// buffer, never more than arrived.
#include "serverlink/BftpTransferMessage.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto* bytes = reinterpret_cast<const char*>(data);
    BftpProgressReply reply;
    BftpTransferMessage::readReply(bytes, size, &reply);

    if (size < BftpTransferMessage::kReplyHeaderSize) return 0;
    uint32_t length = 0;
    if (BftpTransferMessage::readReplyHeader(bytes, &length)) return 0;
    if (length > size) return 0;
    // Exactly the reply, so that a read past its end is caught.
    std::vector<char> exact(bytes, bytes + length);
    BftpTransferMessage::readReply(exact.data(), exact.size(), &reply);
    return 0;
}
