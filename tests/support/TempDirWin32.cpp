#include "tests/support/TempDir.h"

#include <random>
#include <string>
#include <system_error>

namespace tulex::test {

TempDir::TempDir() {
    // Windows has no mkdtemp: a random name, created only if it is new.
    std::random_device seed;
    std::mt19937_64 random(seed());
    const auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto candidate = base / ("tulex-test-" + std::to_string(random() % 1000000000000ULL));
        std::error_code ec;
        if (std::filesystem::create_directory(candidate, ec)) {
            path_ = candidate;
            return;
        }
    }
}

TempDir::~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

}  // namespace tulex::test
