#pragma once

// The vault's plaintext, the payload, is CBOR:
//   [nextId, [account, ...]]
// each account being
//   [id, type, expirationPwd, recordDate, reserved, myAccount, fieldNumber, text, fieldNumber, text, ...]
// Field numbers are positions among the record's string fields and must never be renumbered.
//
// We keep our own CBOR codec rather than Qt's stream classes (QCborStreamReader/Writer) for two
// reasons. On 100,000 accounts it is faster: there a general codec costs several times the
// decryption. And it leaves no unwiped UTF-8 copies of secrets: it reads the texts in place in
// the decrypted buffer and decodes them straight into the packed strings, and it writes into
// one buffer sized beforehand. It reads only what we write (definite lengths, 64-bit doubles;
// minimal integer heads are not required) and checks every length against the bytes left.

#include "StoredAccount.h"

#include <QByteArray>
#include <QByteArrayView>

// The payload holds every secret of the vault: wipe it once it has been written out.
QByteArray encodePayload(const VaultContents& contents);
// False for a malformed payload, and contents is then empty.
bool decodePayload(QByteArrayView bytes, VaultContents& contents);
