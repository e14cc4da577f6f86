#include "macros/ProductMacros.h"

#include <cstdint>
#include <string>

namespace {

constexpr std::uint8_t MajorVersion = 5;
constexpr std::uint8_t MinorVersion = 2;
constexpr std::uint8_t Revision = 3;

MacroMap buildProductMacros()
{
    return MacroMap{
        {"ide", ProductName},
        {"ide_branding", std::string(ProductName) + " for ARM"},
        // The maker's name and address are this project's own invention.
        {"ide_owner", "Tovrin Tools Ltd."},
        {"ide_url", "https://www.tovrin.example"},
        {"ide_product_generic_name", "Zembla for ARM"},
        {"ide_major_version", std::to_string(MajorVersion)},
        {"ide_minor_version", std::to_string(MinorVersion)},
        {"ide_revision", std::to_string(Revision)},
        {"platform", "ARM"},
        {"release", std::to_string(MajorVersion) + "." + std::to_string(MinorVersion)},
        {"host_os", "linux"},
        {"build", "RELEASE"},
        {"host", "UNIX"},
    };
}

}  // namespace

const MacroMap& productMacros()
{
    static const MacroMap macros = buildProductMacros();
    return macros;
}
