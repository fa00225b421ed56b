#pragma once

#include <QString>

// The form in which a document password is kept in its notes file: a salted, memory-hard
// Argon2id string. Files written before hashing hold the password as typed; those are still
// checked (in constant time) until a new password replaces them. Any thread.
class PasswordHash final {
public:
    PasswordHash() = delete;

    // The Argon2id string for `password`; empty when hashing failed (out of memory).
    static QString hash(const QString& password);
    // Whether `typed` is the password `stored` stands for, hashed or in the plain form.
    static bool verify(const QString& stored, const QString& typed);
    static bool isHash(const QString& stored);
    // Whether a stored hash asks for no more work than this application writes, with room
    // for later increases: a file may carry any cost, and verifying runs it.
    static bool hasAcceptableCost(const QString& stored);

    // Moderate cost by default; the interactive limits are much cheaper (tests use them).
    static void setUsesInteractiveLimits(bool interactive);
};
