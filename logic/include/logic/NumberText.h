// Numbers typed into the windows' fields. A Japanese input method in full-width
// mode types "８０" for 80; every numeric field reads such digits, the point,
// the signs and the ideographic blank as their ASCII forms, then takes the
// number at the start of the text as the windows always have.
#pragma once

#include <QString>
#include <string>

namespace numbertext {

// The text with full-width digits, "．", "－" (and the minus sign "−" that
// input methods on Linux type for it), "＋" and the ideographic blank replaced
// by their ASCII forms; anything else unchanged.
QString asciiForms(const QString& text);

// The same text as the UTF-8 bytes that the number readers take.
std::string asciiBytes(const QString& text);

// The number at the start of a field's text (leading blanks skipped; 0 when
// the text does not begin with a number).
double fieldNumber(const QString& text);

} // namespace numbertext
