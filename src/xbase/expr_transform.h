// TRANSFORM(value, picture) for the simple pictures key expressions and conditions use.
//
// A picture is an optional function part — "@" and letters up to a blank — and a
// template:
//   @Z   a number that shows as zero gives blanks
//   @B   a number is left-aligned
//   @!   every letter upper case (Polish letters too)
// Numbers: 9 and # are digit positions, "." the decimal point, "," a thousands separator
// shown only between digits; other characters are copied. A number that does not fit
// gives asterisks. An empty template formats like STR() with one argument.
// Texts: ! upper-cases the character, 9 # A N X L Y copy it, any other template character
// is inserted as it is; the result is as long as the template (an empty template keeps
// the text). Dates give DTOC(), logicals "T"/"F" ("Y"/"N" with the template "Y").
#pragma once

#include <string>
#include <string_view>

#include "xbase/value.h"

namespace hurt::xbase {

std::string Transform(const Value& value, std::string_view picture);

}  // namespace hurt::xbase
