#pragma once

#include "support/scripted_server.h"

#include <string>
#include <vector>

namespace qova::test {

// A throwaway certificate authority made at test time, and a server
// certificate it signed. Point SSL_CERT_FILE at CaFile() to trust it.
class TestCa {
  public:
    // Writes ca.pem, server.pem and server.key into `folder`. The server
    // certificate names `names`: "IP:127.0.0.1", "DNS:localhost", ...
    TestCa(const std::string& folder,
           std::vector<std::string> names = {"IP:127.0.0.1", "IP:::1", "DNS:localhost"});
    const std::string& CaFile() const { return caFile_; }
    TlsIdentity ServerIdentity() const { return {certFile_, keyFile_}; }

  private:
    std::string caFile_;
    std::string certFile_;
    std::string keyFile_;
};

} // namespace qova::test
