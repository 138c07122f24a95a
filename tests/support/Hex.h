#pragma once

#include <string>

namespace tulex::test {

// Bytes as "FF FF 47 ..." for comparisons whose failure shows the line.
std::string Hex(const std::string& bytes);

}  // namespace tulex::test
