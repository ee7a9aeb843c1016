#pragma once

#include "content/KeloContentID.h"

#include <cstdint>
#include <vector>

// The state of one sync job across its passes, shared by every folder of
// the job: the pass it is in, the operator's standing answer to the
// newer-file question, and the files the operator chose to skip.
// Main thread only.
struct ContentDryRunState {
    enum State : uint64_t {
        kCounting = 0,         // count newer files, send nothing
        kAsking = 1,           // ask about each newer file
        kSyncFolder = 2,       // sync newer files of this folder; back to 1 at the next folder
        kSyncAll = 3,          // sync all newer files without asking
        kSkipFolder = 4,       // skip newer files of this folder; back to 1 at the next folder
        kSkipAll = 5,          // skip all newer files without asking
        kCancelled = 6,        // nothing is sent
        kSending = 7,          // requests are built and handed to the agent
    };

    bool skips(const KeloContentID& id) const {
        for (const KeloContentID& skipped : skippedContentIDs)
            if (skipped == id) return true;
        return false;
    }

    uint64_t state = kCounting;
    int newerFileCount = 0;
    int newerFileRemaining = 0;
    std::vector<KeloContentID> skippedContentIDs;
    bool syncBackwards = false;
    int backwardsTag = 0;  // 22: to the master; 23: also to the other valid members
};
