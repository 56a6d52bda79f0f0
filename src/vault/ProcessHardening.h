#pragma once

// Keeps this process's memory, with its decrypted accounts and keys, out of core files and away
// from other processes of the same user: no core dump at all, and the process marked as not
// dumpable, which also refuses debuggers attaching to it. Call it first thing in main, before any
// secret is read. False when either setting could not be made.
bool keepSecretsOutOfCoreDumps();
