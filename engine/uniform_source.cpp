#include "uniform_source.hpp"

#include <random>

namespace nurlo {

std::uint64_t entropySeed() {
    std::random_device device;
    return (static_cast<std::uint64_t>(device()) << 32) ^ device();
}

}  // namespace nurlo
