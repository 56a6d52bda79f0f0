#pragma once

// The vault's plaintext, the payload, is CBOR:
//   [nextId, [account, ...]]
// each account being
//   [id, type, expirationPwd, recordDate, reserved, myAccount, fieldNumber, text, fieldNumber, text, ...]
// Field numbers are positions among the record's string fields and must never be renumbered.
//
// We keep our own CBOR codec rather than Qt's stream classes: on 100,000 accounts it is faster
// (there a general codec costs several times the decryption), and it leaves no unwiped UTF-8
// copies of secrets, reading the texts in place and decoding them straight into the packed
// strings, writing into one buffer sized beforehand. It only needs to read what we write
// (definite lengths, 64-bit doubles; minimal integer heads are not required), and it checks
// every length against the bytes left before it reads.

#include "StoredAccount.h"

#include <QByteArray>
#include <QByteArrayView>

// The payload holds every secret of the vault: wipe it once it has been written out.
QByteArray encodePayload(const VaultContents& contents);
// False for anything that is not a payload we could have written; contents is then empty.
bool decodePayload(QByteArrayView bytes, VaultContents& contents);
