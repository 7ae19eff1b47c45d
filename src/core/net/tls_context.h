#pragma once

typedef struct ssl_ctx_st SSL_CTX;

namespace qova::net {

// The client TLS context: peer verification against the system's trust store,
// found through OpenSSL's default paths, so SSL_CERT_FILE and SSL_CERT_DIR
// apply. Built again when those variables change; never freed.
SSL_CTX* ClientTlsContext();

} // namespace qova::net
