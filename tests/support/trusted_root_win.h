#pragma once
#include <string>
#include <vector>

namespace velmar::test {

// A test's CA among the roots Windows trusts (the current user's "ROOT" store) for this
// object's life only: the Wine prefix is shared by every test. Each test makes a CA of its own,
// so one left behind by a crash trusts nothing another test makes.
class TrustedRoot {
 public:
  explicit TrustedRoot(const std::string& pem);
  ~TrustedRoot();
  TrustedRoot(const TrustedRoot&) = delete;
  TrustedRoot& operator=(const TrustedRoot&) = delete;

  bool Added() const { return added_; }

 private:
  std::vector<unsigned char> der_;
  bool added_ = false;
};

}  // namespace velmar::test
