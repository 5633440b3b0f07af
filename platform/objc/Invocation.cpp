#include "platform/objc/Invocation.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace sondrel::objc {
namespace {

// libffi hands back integer results widened to a register; reading the leading bytes as the
// declared type is only right on a little-endian machine.
static_assert(std::endian::native == std::endian::little);

constexpr std::size_t kSlotAlignment = 16;

std::size_t alignUp(std::size_t value) {
    return (value + kSlotAlignment - 1) / kSlotAlignment * kSlotAlignment;
}

} // namespace

Invocation::Invocation(std::shared_ptr<const MethodSignature> signature)
    : m_signature(std::move(signature)) {
    std::size_t total = 0;
    for (std::size_t i = 0; i < m_signature->argumentCount(); ++i) {
        m_offsets.push_back(total);
        total += alignUp(std::max<std::size_t>(m_signature->argument(i).size, 1));
    }
    m_arguments.assign(total, std::byte{0});
    m_result.assign(alignUp(std::max(m_signature->returnLength(), sizeof(ffi_arg))), std::byte{0});
}

bool Invocation::setArgument(std::size_t index, const void* bytes) {
    if (index >= m_offsets.size()) {
        return false;
    }
    return setArgument(index, bytes, m_signature->argument(index).size);
}

bool Invocation::setArgument(std::size_t index, const void* bytes, std::size_t available) {
    if (index >= m_offsets.size()) {
        return false;
    }
    const std::size_t size = m_signature->argument(index).size;
    const std::size_t copied = std::min(size, available);
    std::memset(slot(index), 0, size);
    if (copied > 0) {
        std::memcpy(slot(index), bytes, copied);
    }
    return true;
}

void Invocation::invoke(IMP implementation) {
    std::vector<void*> values(m_offsets.size());
    for (std::size_t i = 0; i < m_offsets.size(); ++i) {
        values[i] = slot(i);
    }
    std::fill(m_result.begin(), m_result.end(), std::byte{0});
    ffi_call(m_signature->cif(), implementation, m_result.data(), values.data());
}

void Invocation::getReturnValue(void* destination) const {
    if (m_signature->returnLength() > 0) {
        std::memcpy(destination, m_result.data(), m_signature->returnLength());
    }
}

} // namespace sondrel::objc
