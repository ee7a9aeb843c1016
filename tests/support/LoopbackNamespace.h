#pragma once

// Tests that open the server link's sockets run only in a network namespace
// that has nothing but loopback. Elsewhere they skip; but where the suite
// promises such a namespace (KELO_REQUIRE_NETNS=1, as scripts/test.sh sets
// it), a skip would hide them while counting as a pass, so they fail.

#include "support/KeloServerSim.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

inline bool loopbackNamespaceRequired() {
    const char* value = std::getenv("KELO_REQUIRE_NETNS");
    return value && std::strcmp(value, "1") == 0;
}

// In a test body or SetUp: returns from it unless the namespace is there.
#define KELO_NEEDS_LOOPBACK_NAMESPACE()                                                      \
    do {                                                                                     \
        if (!KeloServerSim::loopbackOnlyNetwork()) {                                         \
            if (loopbackNamespaceRequired())                                                 \
                FAIL() << "KELO_REQUIRE_NETNS=1, but this is no loopback-only network "      \
                          "namespace";                                                       \
            GTEST_SKIP() << "needs a loopback-only network namespace (see scripts/test.sh)"; \
        }                                                                                    \
    } while (0)
