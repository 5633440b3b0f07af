#include "resources/EmbeddedResource.h"

namespace sondrel::resources {

std::span<const std::byte> EmbeddedResource(std::string_view name) {
    for (const detail::EmbeddedEntry& entry : detail::EmbeddedEntries()) {
        if (entry.data && entry.name == name) {
            return {reinterpret_cast<const std::byte*>(entry.data), entry.size};
        }
    }
    return {};
}

std::vector<std::string_view> EmbeddedResourceNames() {
    std::vector<std::string_view> names;
    for (const detail::EmbeddedEntry& entry : detail::EmbeddedEntries()) {
        if (entry.data) {
            names.push_back(entry.name);
        }
    }
    return names;
}

} // namespace sondrel::resources
