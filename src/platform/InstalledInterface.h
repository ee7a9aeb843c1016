#pragma once

#include <atomic>

// The one way a lower layer calls up. The lower layer declares an interface
// whose methods have default bodies and derives it from
// InstalledInterface<Itself>; the composition root in src/app installs the
// implementation once at start-up and checks that nothing is missing. Until
// then (and in tests that install nothing) shared() answers with the default
// bodies.
//
//     class KeloProfileNameProvider : public InstalledInterface<KeloProfileNameProvider> {
//     public:
//         virtual QString profileName(int profile) { ... }
//     };
//     KeloProfileNameProvider::install(&patch);                 // the root
//     KeloProfileNameProvider::shared().profileName(profile);   // the user
//
// Any thread: the installed pointer is atomic. The installed object is not
// owned; it outlives its installation (the root removes it before it goes).
template <class Interface>
class InstalledInterface {
public:
    // The installed implementation, else one with the default bodies.
    static Interface& shared() {
        Interface* implementation = sInstalled.load(std::memory_order_acquire);
        return implementation ? *implementation : defaults();
    }
    // Null while nothing is installed.
    static Interface* installed() { return sInstalled.load(std::memory_order_acquire); }
    // Null removes the implementation.
    static void install(Interface* implementation) {
        sInstalled.store(implementation, std::memory_order_release);
    }

protected:
    InstalledInterface() = default;
    ~InstalledInterface() = default;

private:
    static Interface& defaults() {
        static Interface standIn;
        return standIn;
    }

    inline static std::atomic<Interface*> sInstalled{nullptr};
};
