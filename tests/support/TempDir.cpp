#include "tests/support/TempDir.h"

#include <cstdlib>
#include <string>

namespace tulex::test {

TempDir::TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "tulex-test-XXXXXX").string();
    if (mkdtemp(tmpl.data()) != nullptr) path_ = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

}  // namespace tulex::test
