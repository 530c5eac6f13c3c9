#pragma once

namespace hl {

// Character tests of the "C" locale, whatever locale the program runs in.

// Space, tab, line feed, carriage return, vertical tab, form feed.
inline bool IsAsciiSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// The value of a hex digit of either case; -1 for any other character.
inline int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

} // namespace hl
