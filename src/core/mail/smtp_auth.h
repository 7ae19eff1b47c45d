#pragma once

#include <string>
#include <string_view>

namespace qova {

std::string Base64(std::string_view bytes);

// The argument of "AUTH PLAIN": base64 of NUL, user name, NUL, password.
std::string AuthPlainToken(std::string_view username, std::string_view password);

} // namespace qova
