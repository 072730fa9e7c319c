// Dotted IPv4 addresses as the user types them: exactly four decimal octets.
// The shorthands the socket layer would also take ("127.1", "192.168.1",
// "2130706433", octal "010") name a host other than the one the user sees, so
// they are not addresses here.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace brelvik {

// "a.b.c.d" with each part one to three decimal digits, 0-255, nothing else
// around it. Returns the address written without leading zeros ("010" is ten).
std::optional<std::string> dottedQuad(std::string_view text);

}  // namespace brelvik
