#include "support/test_ca.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <stdexcept>

namespace qova::test {
namespace {

EVP_PKEY* NewKey() {
    return EVP_EC_gen("P-256");
}

X509* NewCertificate(EVP_PKEY* key, const char* commonName, X509* issuer, EVP_PKEY* issuerKey,
                     long serial) {
    X509* cert = X509_new();
    X509_set_version(cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert), serial);
    X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert), 7 * 24 * 3600);
    X509_set_pubkey(cert, key);
    X509_NAME* name = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>(commonName), -1, -1, 0);
    X509_set_issuer_name(cert, issuer ? X509_get_subject_name(issuer) : name);
    (void)issuerKey;
    return cert;
}

void AddExtension(X509* cert, X509* issuer, int nid, const std::string& value) {
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer ? issuer : cert, cert, nullptr, nullptr, 0);
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value.c_str());
    if (!ext) {
        throw std::runtime_error("test CA: bad extension " + value);
    }
    X509_add_ext(cert, ext, -1);
    X509_EXTENSION_free(ext);
}

void WritePem(const std::string& path, X509* cert, EVP_PKEY* key) {
    FILE* file = std::fopen(path.c_str(), "w");
    if (!file) {
        throw std::runtime_error("test CA: cannot write " + path);
    }
    if (cert) {
        PEM_write_X509(file, cert);
    }
    if (key) {
        PEM_write_PrivateKey(file, key, nullptr, nullptr, 0, nullptr, nullptr);
    }
    std::fclose(file);
}

} // namespace

TestCa::TestCa(const std::string& folder, std::vector<std::string> names)
    : caFile_(folder + "/ca.pem"), certFile_(folder + "/server.pem"),
      keyFile_(folder + "/server.key") {
    EVP_PKEY* caKey = NewKey();
    X509* ca = NewCertificate(caKey, "QOVA test CA", nullptr, nullptr, 1);
    AddExtension(ca, nullptr, NID_basic_constraints, "critical,CA:TRUE");
    AddExtension(ca, nullptr, NID_key_usage, "critical,keyCertSign,cRLSign");
    AddExtension(ca, nullptr, NID_subject_key_identifier, "hash");
    X509_sign(ca, caKey, EVP_sha256());

    EVP_PKEY* key = NewKey();
    X509* cert = NewCertificate(key, "QOVA test server", ca, caKey, 2);
    std::string altNames;
    for (const std::string& n : names) {
        altNames += (altNames.empty() ? "" : ",") + n;
    }
    AddExtension(cert, ca, NID_basic_constraints, "CA:FALSE");
    AddExtension(cert, ca, NID_ext_key_usage, "serverAuth");
    if (!altNames.empty()) {
        AddExtension(cert, ca, NID_subject_alt_name, altNames);
    }
    AddExtension(cert, ca, NID_authority_key_identifier, "keyid:always");
    X509_sign(cert, caKey, EVP_sha256());

    WritePem(caFile_, ca, nullptr);
    WritePem(certFile_, cert, nullptr);
    WritePem(keyFile_, nullptr, key);
    X509_free(cert);
    X509_free(ca);
    EVP_PKEY_free(key);
    EVP_PKEY_free(caKey);
}

} // namespace qova::test
