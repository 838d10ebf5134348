// How the mailer settings table `blat` keeps its passwords (HASLO, the mailbox's, and
// HASLO_FTP).
//
// The program logs in to the mail server with the mailbox password, so it must be able to
// read it back: it cannot be hashed like the operators' passwords. It is kept hidden
// instead, so that it never stands in clear text in the file, in a listing of the table
// or in a copy of it:
//
//   stored = "~#" + each character of the password turned by a fixed key
//
//   - the mark "~#" tells a hidden value from a clear one written by an older version (or
//     typed into the table by hand): a value without the mark is the password itself;
//   - the length is kept, so a password fills the field less its two marking characters
//     (28 of HASLO's 30, 18 of HASLO_FTP's 20);
//   - a character of 0x21..0x7E is turned within that range, one of 0x80..0xFF within
//     that one; blanks and control characters stay as they are (a blank never comes out
//     of a turned character, so trailing blanks of the field cannot eat a character);
//   - the turn of the n-th character is the n-th byte of a fixed key (repeated).
//
// This is concealment, not encryption: anyone with the program can read the password
// back. It keeps the password from the eyes of whoever looks into the table. A password
// that itself began with "~#" would be misread; no mailbox password is expected to.
#pragma once

#include <string>
#include <string_view>

namespace hurt::session {

inline constexpr std::string_view kHiddenPasswordMark = "~#";

// The stored form of `password` (trailing blanks dropped; "" stays "").
std::string HideMailPassword(std::string_view password);
// The password of a stored value: a hidden one turned back, a clear one as it is; trailing
// blanks dropped.
std::string RevealMailPassword(std::string_view stored);
// True when `stored` is in the hidden form.
bool IsHiddenMailPassword(std::string_view stored);

}  // namespace hurt::session
