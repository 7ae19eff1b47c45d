#pragma once

#include <string>

namespace qova::test {

// A fresh folder under $TMPDIR, removed with everything in it when the object ends.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

} // namespace qova::test
