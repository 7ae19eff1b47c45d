#include "mail/smtp_auth.h"

#include <openssl/evp.h>
#include <vector>

namespace qova {

std::string Base64(std::string_view bytes) {
    std::vector<unsigned char> out(4 * ((bytes.size() + 2) / 3) + 1);
    int n = EVP_EncodeBlock(out.data(), reinterpret_cast<const unsigned char*>(bytes.data()),
                            static_cast<int>(bytes.size()));
    return std::string(reinterpret_cast<const char*>(out.data()), n < 0 ? 0 : size_t(n));
}

std::string AuthPlainToken(std::string_view username, std::string_view password) {
    std::string plain;
    plain += '\0';
    plain += username;
    plain += '\0';
    plain += password;
    return Base64(plain);
}

} // namespace qova
