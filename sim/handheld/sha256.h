#pragma once
// SHA-256 in lower-case hexadecimal, for the state report.
#include <cstddef>
#include <string>

namespace rig {

std::string Sha256Hex(const void* data, std::size_t size);

}  // namespace rig
