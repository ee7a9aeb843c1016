#pragma once

#include "serverlink/KlReqV4.h"

#include <cstddef>
#include <cstdint>

class KeloObject;

// One record of a status reply (op 11), as classified from its type word.
// The pointers point into the datagram the walker was given.
struct StatusRecord {
    enum Kind {
        Unreported,  // old packed form with code 0: logged and skipped by the walk
        GeneralStatus,
        LayerDetail,
        PreviewImage,
    };

    Kind kind = Unreported;
    uint16_t typeWord = 0;
    KlReqV4 request;  // the request the record answers
    int layer = -1;   // LayerDetail: the layer, as the server numbers it

    size_t length = 0;  // whole record, its 4-byte head included
    const char* body = nullptr;
    size_t bodySize = 0;

    // PreviewImage only.
    uint16_t imageWidth = 0;
    uint16_t imageHeight = 0;
    uint16_t originalWidth = 0;
    uint16_t originalHeight = 0;
    const char* jpeg = nullptr;
    size_t jpegSize = 0;

    // Kind, request and layer for a type word.
    static StatusRecord classify(uint16_t typeWord);
};

// Walks the records of a status reply from byte 14. The walk ends at a zero
// record length or the end of the datagram, and early at a record that does
// not fit what was received or has the wrong length for its kind.
class StatusReplyWalker {
public:
    static constexpr size_t kFirstRecord = 14;
    static constexpr size_t kRecordHead = 4;
    static constexpr size_t kGeneralStatusRecord = 460;
    static constexpr size_t kLayerDetailRecord = 196;
    static constexpr size_t kPreviewHead = 14;  // record head and the five preview fields

    StatusReplyWalker(const char* data, size_t size);

    // The next record, or false at the end of the walk.
    bool next(StatusRecord* record);
    // The walk ended at a record whose lengths did not hold.
    bool malformed() const { return malformed_; }

private:
    bool stop(const char* reason, size_t length, uint16_t typeWord);

    const char* data_;
    size_t size_;
    size_t offset_ = kFirstRecord;
    bool done_ = false;
    bool malformed_ = false;
};

// Files the records of one status reply into a server object: general
// status, layer details and preview JPEGs (into the picture matching the
// record's request). A null server object files nothing. Returns the change
// bits for the network singleton: 4 when a picture arrived, 16 when the
// general status was news.
int fileStatusReply(KeloObject* kelo, const char* data, size_t size, double now);
