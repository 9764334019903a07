// Names that users type (a reference level, a point on the room plan): the
// checks that keep them to one printable line of text.
#pragma once

#include <QString>
#include <optional>

namespace nametext {

// The first control character of a text (U+0000-U+001F, U+007F-U+009F) or
// line or paragraph separator (U+2028, U+2029); nothing when there is none.
// Such a character would break the line of a file or of a table.
std::optional<char32_t> controlCharacter(const QString& text);

// A character as a message names it: "U+0009".
QString codePointText(char32_t c);

} // namespace nametext
