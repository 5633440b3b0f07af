#pragma once

// The two kinds of native object of the runtime: instances and the class objects that describe
// them. Every native object is a C++ object derived from Object, whose first data member points
// at its class; class objects are themselves objects whose class is their metaclass, so class
// methods are found by the same lookup as instance methods.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

namespace sondrel::objc {

class Object;
class ClassObject;
class MethodSignature;
struct Selector;

using id = Object*;
using Class = ClassObject*;
using SEL = const Selector*;
using IMP = void (*)();
using BOOL = signed char;
using NSInteger = std::int64_t;
using NSUInteger = std::uint64_t;
inline constexpr BOOL YES = 1;
inline constexpr BOOL NO = 0;

struct Selector {
    std::string name;
};

struct Method {
    SEL selector = nullptr;
    IMP implementation = nullptr;
    std::string types;
    std::shared_ptr<const MethodSignature> signature;
};

// Makes the C++ object behind a new instance of `cls`; a class inherits its superclass's factory
// unless it brings its own, and the C++ type it makes must derive from the superclass's one.
using InstanceFactory = std::unique_ptr<Object> (*)(Class cls);

class Object {
public:
    explicit Object(Class isa) : m_isa(isa) {}
    virtual ~Object() = default;
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    Class isa() const { return m_isa; }

    // Reference counting used by retain/release; a new object starts with one reference.
    std::int64_t references() const { return m_references.load(std::memory_order_relaxed); }
    void addReference() { m_references.fetch_add(1, std::memory_order_relaxed); }
    // True when the last reference is gone and the object must be deallocated.
    bool dropReference() { return m_references.fetch_sub(1, std::memory_order_acq_rel) == 1; }

protected:
    void setIsa(Class isa) { m_isa = isa; }

private:
    Class m_isa;
    std::atomic<std::int64_t> m_references{1};

    friend class Runtime;
};

class ClassObject final : public Object {
public:
    ClassObject(std::string name, Class superclass, bool metaclass)
        : Object(nullptr), m_name(std::move(name)), m_superclass(superclass),
          m_metaclass(metaclass) {}

    const std::string& name() const { return m_name; }
    Class superclass() const { return m_superclass; }
    bool isMetaclass() const { return m_metaclass; }
    // The metaclass of a class; for a metaclass, the root metaclass.
    Class metaclass() const { return isa(); }
    bool isRegistered() const { return m_registered; }
    InstanceFactory factory() const { return m_factory; }

private:
    std::string m_name;
    Class m_superclass;
    bool m_metaclass;
    bool m_registered = false;
    InstanceFactory m_factory = nullptr;
    std::unordered_map<SEL, std::unique_ptr<Method>> m_methods;

    friend class Runtime;
};

} // namespace sondrel::objc
