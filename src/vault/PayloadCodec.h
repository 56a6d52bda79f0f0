#pragma once

// The vault's plaintext, the payload, is CBOR:
//   [nextId, [account, ...]]
// each account being
//   [id, type, expirationPwd, recordDate, reserved, myAccount, fieldNumber, text, fieldNumber, text, ...]
// Field numbers are positions among the record's string fields and must never be renumbered.
//
// The payload is never converted as a whole. Opening checks it in place, its structure and the
// UTF-8 of every text, so that no later read can fail, and indexes its accounts, which then stay
// where they are in the decrypted buffer: no copy of the secrets is made, and a text becomes a
// QString only when it is read. Saving writes each account's bytes as they are, so what did not
// change is not encoded again. The reader takes only what we write (definite lengths, 64-bit
// doubles; minimal integer heads are not required) and checks every length against the bytes left.

#include "PlainBuffer.h"
#include "StoredAccount.h"

#include <QByteArray>
#include <QByteArrayView>

#include <vector>

struct VaultContents {
    quint32 nextId = 1;
    PlainBuffer file; // the file as read, its payload decrypted in place; accounts point into it
    std::vector<StoredAccount> accounts; // ascending by id
};

// Checks the payload at [payload, payload + size), which must stay in place as long as the
// accounts, and indexes its accounts into contents. False for a malformed payload, and then
// contents holds no account. The 16 bytes after the payload must be readable (in a vault file
// they are the tag): the checks of short texts read past them.
bool indexPayload(quint8* payload, size_t size, VaultContents& contents);

// The same on a copy of the bytes that contents keeps: for tests and tools.
bool decodePayload(QByteArrayView bytes, VaultContents& contents);

// The payload's size, and the payload written at out (which has room for that size).
size_t encodedSize(const VaultContents& contents);
void encodePayload(const VaultContents& contents, quint8* out);
// The same into an array, which holds every secret of the vault: wipe it once done with.
QByteArray encodePayload(const VaultContents& contents);
