// Texts for the window. The window takes UTF-8, but some texts come from the
// simulator in the machine's narrow code page (its application name, on
// Windows an ANSI-code-page field), and one byte that is not UTF-8 would blank
// the whole text.
#pragma once

#include <string>
#include <string_view>

namespace brelvik {

bool isValidUtf8(std::string_view text);

// The text itself when it is valid UTF-8; otherwise the text read in the
// platform's narrow code page (the ANSI code page on Windows, Latin-1
// elsewhere), as UTF-8.
std::string toDisplayText(std::string_view text);

// The platform half of toDisplayText: narrow code page to UTF-8.
std::string narrowToUtf8(std::string_view text);

}  // namespace brelvik
