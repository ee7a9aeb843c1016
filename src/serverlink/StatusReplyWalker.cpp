#include "serverlink/StatusReplyWalker.h"

#include "foundation/OmLog.h"
#include "serverlink/KeloObject.h"

#include <QtEndian>

StatusRecord StatusRecord::classify(uint16_t w) {
    StatusRecord r;
    r.typeWord = w;
    const uint16_t type = w & 0xE000;
    if (type == 0) {
        // Old packed form: the whole word is the code.
        r.request = {KlReqV4::kPacked, w, 0};
        if (w & 0xF00) {
            r.kind = PreviewImage;
            return r;
        }
        const int t = w & 0xF;
        if (t == 0) {
            r.kind = Unreported;
        } else if (t <= 2) {
            r.kind = GeneralStatus;
        } else {
            r.kind = LayerDetail;
            r.layer = t - 3;
        }
        return r;
    }
    r.request = {type, uint16_t(w & 0x3FF), uint16_t(w & 0xC00)};
    if ((w & 0x800) == 0) {
        r.kind = PreviewImage;
    } else if (type == KlReqV4::kLayerImage && r.request.num >= 1) {
        r.kind = LayerDetail;
        r.layer = r.request.num - 1;
    } else {
        r.kind = GeneralStatus;
    }
    return r;
}

StatusReplyWalker::StatusReplyWalker(const char* data, size_t size) : data_(data), size_(size) {}

bool StatusReplyWalker::stop(const char* reason, size_t length, uint16_t typeWord) {
    OmLogNoFlood(kOmLogWarning, "status reply of %d bytes: record at %d, length %d, type %x: %s\n",
                 int(size_), int(offset_), int(length), typeWord, reason);
    malformed_ = true;
    done_ = true;
    return false;
}

bool StatusReplyWalker::next(StatusRecord* record) {
    while (!done_) {
        if (offset_ + 2 > size_) break;
        const size_t length = qFromBigEndian<quint16>(data_ + offset_);
        if (length == 0) break;
        if (offset_ + kRecordHead > size_) return stop("head cut off", length, 0);
        const uint16_t typeWord = qFromBigEndian<quint16>(data_ + offset_ + 2);
        if (length < kRecordHead) return stop("shorter than its head", length, typeWord);
        if (length > size_ - offset_) return stop("runs past the datagram", length, typeWord);

        StatusRecord r = StatusRecord::classify(typeWord);
        const char* start = data_ + offset_;
        r.length = length;
        r.body = start + kRecordHead;
        r.bodySize = length - kRecordHead;
        switch (r.kind) {
            case StatusRecord::Unreported:
                OmLogNoFlood(kOmLogInfo, "Status %d bytes, type %x\n", int(length), typeWord);
                offset_ += length;
                continue;
            case StatusRecord::GeneralStatus:
                if (length != kGeneralStatusRecord) {
                    return stop("general status of the wrong length", length, typeWord);
                }
                break;
            case StatusRecord::LayerDetail:
                if (length != kLayerDetailRecord) {
                    return stop("layer detail of the wrong length", length, typeWord);
                }
                break;
            case StatusRecord::PreviewImage: {
                if (length < kPreviewHead) return stop("preview head cut off", length, typeWord);
                r.imageWidth = qFromBigEndian<quint16>(start + 4);
                r.imageHeight = qFromBigEndian<quint16>(start + 6);
                r.originalWidth = qFromBigEndian<quint16>(start + 8);
                r.originalHeight = qFromBigEndian<quint16>(start + 10);
                r.jpegSize = qFromBigEndian<quint16>(start + 12);
                if (r.jpegSize > length - kPreviewHead) {
                    return stop("preview data runs past the record", length, typeWord);
                }
                r.jpeg = start + kPreviewHead;
                break;
            }
        }
        offset_ += length;
        *record = r;
        return true;
    }
    done_ = true;
    return false;
}

int fileStatusReply(KeloObject* kelo, const char* data, size_t size, double now) {
    int changes = 0;
    StatusReplyWalker walker(data, size);
    StatusRecord r;
    while (walker.next(&r)) {
        switch (r.kind) {
            case StatusRecord::PreviewImage: {
                KeloImage* image = kelo ? kelo->imageWithRequest(r.request) : nullptr;
                if (!image) return changes;
                image->setImageData(QByteArray(r.jpeg, qsizetype(r.jpegSize)));
                image->setImageSize(QSizeF(r.imageWidth, r.imageHeight));
                image->setOriginalSize(QSizeF(r.originalWidth, r.originalHeight));
                image->setArrived(now);
                kelo->addChanges(ServerChanges::kImage);
                changes |= ServerChanges::kImage;
                break;
            }
            case StatusRecord::LayerDetail:
                // Layers the object has no slot for are refused there.
                if (kelo) kelo->setLayerDetailStatus(r.body, r.bodySize, r.layer);
                break;
            case StatusRecord::GeneralStatus:
                if (!kelo) return changes;
                kelo->setGeneralStatus(r.body, r.bodySize);
                if (kelo->setGeneralStatusArrived(now)) changes |= ServerChanges::kServer;
                break;
            case StatusRecord::Unreported:
                break;
        }
    }
    return changes;
}
