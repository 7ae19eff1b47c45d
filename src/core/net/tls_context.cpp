#include "net/tls_context.h"

#include <openssl/ssl.h>

#include <cstdlib>
#include <map>
#include <mutex>
#include <string>

namespace qova::net {

SSL_CTX* ClientTlsContext() {
    static std::mutex lock;
    static std::map<std::string, SSL_CTX*> contexts;
    const char* file = std::getenv("SSL_CERT_FILE");
    const char* dir = std::getenv("SSL_CERT_DIR");
    std::string key = std::string(file ? file : "") + '\n' + (dir ? dir : "");

    std::lock_guard guard(lock);
    if (auto found = contexts.find(key); found != contexts.end()) {
        return found->second;
    }
    SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
    if (!ctx) {
        return nullptr;
    }
    SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
    SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, nullptr);
    // Web servers of HTTP/1.0 answers often close without a TLS goodbye; the
    // answer is complete all the same.
    SSL_CTX_set_options(ctx, SSL_OP_IGNORE_UNEXPECTED_EOF);
    if (SSL_CTX_set_default_verify_paths(ctx) != 1) {
        SSL_CTX_free(ctx);
        return nullptr;
    }
    contexts.emplace(key, ctx);
    return ctx;
}

} // namespace qova::net
