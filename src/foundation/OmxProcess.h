#pragma once

#include <pthread.h>

#include <cstdint>

// Process lookup by command name. Linux keeps 15 characters of a command
// name, so a name is compared by its first 15 characters.
// Results: 0 found, -1 none, -2 bad arguments, -3 process list unreadable
// (error = errno), -4 out of memory (error = ENOMEM), -5 more matches than
// the array holds.
int GetAllPIDsForProcessName(const char* name, int* pids, unsigned capacity, unsigned* count,
                             unsigned* error);
// The pid when exactly one process has the name; -1 otherwise.
int GetPIDForProcessName(const char* name);
// The number of processes with the name (1-8); -1 for none, more than 8 or
// an error.
int CountPIDsForProcessName(const char* name);

// The running kernel's major and minor version, read once. The system
// predicates below stand for "a current system", which this always is.
void getOSVersion();
int OSMajorVersion();
int OSMinorVersion();
bool IsSonomaOrGreater();
bool IsBigSurOrGreater();
bool IsMojaveOrGreater();

// Monotonic nanoseconds from the steady clock.
void MachTimeInit();
uint64_t MachAbsoluteTime();
// Sleeps until MachAbsoluteTime() reaches `nanoseconds`.
void MachWaitUntil(uint64_t nanoseconds);

struct condition_variable {
    pthread_cond_t cond;
    pthread_mutex_t mutex;
};

void init_condition(condition_variable* c);
// Waits at most ms milliseconds; a negative value is its magnitude in
// microseconds.
void wait_on_condition(condition_variable* c, int ms);
void signal_condition(condition_variable* c);
