#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace qova::test {

// Puts an environment variable back as it was when the object ends, so a test
// that points SSL_CERT_FILE at its own authority leaves no trace.
class ScopedEnv {
  public:
    explicit ScopedEnv(std::string name) : name_(std::move(name)) {
        if (const char* old = std::getenv(name_.c_str())) {
            saved_ = old;
        }
    }
    ~ScopedEnv() {
        if (saved_) {
            ::setenv(name_.c_str(), saved_->c_str(), 1);
        } else {
            ::unsetenv(name_.c_str());
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

    void Set(const std::string& value) { ::setenv(name_.c_str(), value.c_str(), 1); }
    void Unset() { ::unsetenv(name_.c_str()); }

  private:
    std::string name_;
    std::optional<std::string> saved_;
};

} // namespace qova::test
