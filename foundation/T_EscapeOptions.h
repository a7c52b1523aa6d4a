// The five options of the escape bar, kept by a script page, by the client
// window (the options last chosen anywhere) and by the close-time settings.
// Holders derive from it, so that each keeps the options under their own
// names and copies them with one assignment.
#pragma once

struct TEscapeReplaceOptions {
    bool EscapeSQ = false;            // single quotes
    bool EscapeDQ = false;            // double quotes
    bool EscapeY = false;             // backslashes
    bool Escape5C = false;            // double-byte characters whose second byte is 0x5C
    bool EscapeEscapeDouble = false;  // escape by doubling instead of with a backslash

    const TEscapeReplaceOptions& EscapeReplaceOptions() const { return *this; }
    void AssignEscapeReplaceOptions(const TEscapeReplaceOptions& Source) { *this = Source; }
};
