#pragma once

#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

namespace sondrel::resources {

// The bytes of the file `name` of the resources folder ("about.png", "drop.png", "help.rtf"),
// carried inside the executable and valid for the whole run; empty when no such file is
// carried. Every *.png and *.rtf file of the folder is carried, as it was at build time.
std::span<const std::byte> EmbeddedResource(std::string_view name);

// The names of every carried file, sorted.
std::vector<std::string_view> EmbeddedResourceNames();

namespace detail {
struct EmbeddedEntry {
    std::string_view name;
    const unsigned char* data;
    std::size_t size;
};
// The generated table, sorted by name.
std::span<const EmbeddedEntry> EmbeddedEntries();
} // namespace detail

} // namespace sondrel::resources
