#include "platform/objc/ClassDefinition.h"

namespace sondrel::objc {

ClassDefinition& ClassDefinition::add(std::string_view selector, IMP implementation,
                                      std::string_view types, bool isClassMethod) {
    m_methods.push_back({std::string(selector), implementation, std::string(types), isClassMethod});
    return *this;
}

} // namespace sondrel::objc
