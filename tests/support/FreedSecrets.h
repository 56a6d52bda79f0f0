#pragma once

// A watch on the heap for tests of memory hygiene. Linked into a test, or preloaded into a program
// with LD_PRELOAD, it stands in for malloc and its family, and for mmap and munmap: every block
// freed and every mapping unmapped while a secret is watched is searched for it, as UTF-8 and as
// UTF-16, and one that still holds it is counted. It can also make one allocation (or anonymous
// mapping) fail, to walk every path out-of-memory takes.
//
// Preloaded, it watches the secret in FREECHECK_SECRET from the start and at exit writes
// "freecheck: N freed blocks held the secret" on standard error when N is not 0.
//
// A sanitizer build has an allocator of its own: there this one stays out of the way, and
// freecheck_frees() stays 0.

#include <cstddef>

extern "C" {
// Starts watching an ASCII secret (at most 127 characters); nullptr stops. Clears the counts.
void freecheck_watch(const char* secret);
// Freed blocks that held the secret, and all blocks freed, since the watch started.
long freecheck_hits();
long freecheck_frees();
// Makes the allocation after `skip` more succeed fail (once); -1 cancels.
void freecheck_fail_allocation(long skip);
// Whether the planned failure happened.
bool freecheck_failed();
}
