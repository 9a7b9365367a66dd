#pragma once
#include <string>
#include <vector>

namespace velmar {

// The root certificates Windows trusts (the "ROOT" store as the current user sees it), each
// in its DER encoding.
std::vector<std::string> WindowsRootCertificates();

}  // namespace velmar
