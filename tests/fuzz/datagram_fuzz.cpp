// The receive path of the server link for one datagram: acceptance filter,
// the readers of each kind, the status reply walk filed into a server object,
// and decoding of every preview picture that arrived.
#include "serverlink/BftpBeacon.h"
#include "serverlink/CitpMessage.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlEStatMessage.h"
#include "serverlink/StatusReplyWalker.h"
#include "serverlink/channels/StatusChannel.h"

#include <cstddef>
#include <cstdint>

namespace {

void serverMessage(const char* data, size_t size) {
    QByteArray a, b;
    bool fragment = false;
    switch (KlEStatMessage::op(data, size)) {
        case kKlEOpStatusReply: {
            KeloObject kelo;
            kelo.setIsRunning(true);
            fileStatusReply(&kelo, data, size, 1.0);
            StatusReplyWalker walker(data, size);
            StatusRecord r;
            while (walker.next(&r)) {
                if (r.kind != StatusRecord::PreviewImage) continue;
                if (KeloImage* image = kelo.imageWithRequest(r.request)) {
                    image->cg_image();
                    image->setImageData(QByteArray(r.jpeg, qsizetype(r.jpegSize)));
                    image->cv_image();
                }
            }
            break;
        }
        case kKlEOpPrefsDict:
            KlEStatMessage::readPrefsDict(data, size, &a);
            // The receive thread's read, twice: the second answer is the
            // cache's and must be the same.
            if (StatusChannel::decodePrefsDict(data, size) !=
                StatusChannel::decodePrefsDict(data, size))
                __builtin_trap();
            break;
        case kKlEOpOnePref:
            KlEStatMessage::readOnePref(data, size, &a, &b);
            break;
        case kKlEOpContentItemData:
            KlEStatMessage::readContentItem(data, size, &fragment, &a);
            break;
        default:
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    if (size > kMaxReceivedDatagram) return -1;
    const char* data = reinterpret_cast<const char*>(bytes);
    switch (KlEStatMessage::acceptDatagram(data, size)) {
        case KlDatagramKind::ServerMessage:
            serverMessage(data, size);
            break;
        case KlDatagramKind::CitpPresence: {
            CitpPresence p;
            CitpMessage::readPLoc(data, size, &p);
            break;
        }
        case KlDatagramKind::BftpBeacon: {
            BftpTransferBeacon t;
            BftpManagerBeacon m;
            BftpBeacon::readTransferBeacon(data, size, &t);
            BftpBeacon::readManagerBeacon(data, size, &m);
            break;
        }
        case KlDatagramKind::Dropped:
            break;
    }
    return 0;
}
