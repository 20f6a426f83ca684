// Helpers shared by the test suites.
#include "support/test_support.h"

#include <cstdlib>
#include <filesystem>

namespace testsupport {

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "navrel-test-XXXXXX").string();
  if (char* made = mkdtemp(tmpl.data())) path_ = made;
}

TempDir::~TempDir() {
  std::error_code ec;
  if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

}  // namespace testsupport
