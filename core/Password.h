#pragma once

#include <QString>

// Account passwords are stored only as libsodium Argon2id hash strings
// (crypto_pwhash_str, interactive limits). Nothing here logs or returns a
// password; a hash never leaves the user store except to the database.
namespace Password {

// The hash string to store for a password (as given: callers trim first).
// Throws Failure when libsodium cannot run or memory runs out.
QString hash(const QString &password);

// Whether the password matches a stored hash string. A stored value that is
// not a hash string matches nothing.
bool verify(const QString &stored, const QString &password);

// Whether a stored hash was made with other limits than today's and should
// be made again at the next successful login.
bool needsRehash(const QString &stored);

// Whether a stored value looks like a hash string of ours (not clear text).
bool isHash(const QString &stored);

} // namespace Password
