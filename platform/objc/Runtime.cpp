#include "platform/objc/Runtime.h"

#include <atomic>
#include <mutex>
#include <new>
#include <shared_mutex>
#include <unordered_map>
#include <unordered_set>

#include "platform/objc/ClassDefinition.h"
#include "platform/objc/FoundationClasses.h"
#include "platform/objc/Messaging.h"

namespace sondrel::objc {

struct StringHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const {
        return std::hash<std::string_view>{}(text);
    }
};

class Runtime {
public:
    static Runtime& instance();

    SEL registerSelector(std::string_view name);

    Class lookUpClass(std::string_view name);
    std::vector<Class> registeredClasses();
    std::vector<const Method*> methodList(Class cls);
    Class allocateClassPair(Class superclass, std::string_view name);
    bool addMethod(Class cls, SEL selector, IMP implementation, std::string_view types);
    void registerClassPair(Class cls);
    void define(ClassDefinition definition);

    bool isLive(const void* pointer) const;
    bool isClass(const void* pointer) const;
    Class classOf(const void* object) const;
    const Method* methodOf(Class cls, SEL selector) const;
    const Method* methodFor(const void* receiver, SEL selector) const;

    id adopt(std::unique_ptr<Object> object);
    void destroy(id object);

private:
    Runtime();

    void resolvePending();
    bool isLiveLocked(const void* pointer) const {
        return m_instances.contains(pointer) || m_classes.contains(pointer);
    }
    Class allocateLocked(Class superclass, std::string_view name);
    bool addMethodLocked(Class cls, SEL selector, IMP implementation, std::string_view types);
    std::shared_ptr<const MethodSignature> signatureLocked(std::string_view types);
    static const Method* methodLocked(Class cls, SEL selector);

    std::mutex m_selectorMutex;
    std::unordered_map<std::string, std::unique_ptr<Selector>, StringHash, std::equal_to<>>
        m_selectors;

    mutable std::shared_mutex m_mutex;
    std::vector<std::unique_ptr<ClassObject>> m_classStore;
    std::unordered_set<const void*> m_classes;
    std::unordered_map<std::string, Class, StringHash, std::equal_to<>> m_classesByName;
    std::unordered_set<std::string, StringHash, std::equal_to<>> m_takenNames;
    std::unordered_map<const void*, std::unique_ptr<Object>> m_instances;
    std::vector<ClassDefinition> m_pending;
    // One parsed signature per type encoding: the few hundred methods of the native classes
    // have a few dozen encodings between them ("v@:", "@@:"...).
    std::unordered_map<std::string, std::shared_ptr<const MethodSignature>, StringHash,
                       std::equal_to<>>
        m_signatures;
    std::atomic<bool> m_hasPending{false};
};

Runtime& Runtime::instance() {
    // Never destroyed: objects may still be released by thread-exit handlers after static
    // destruction has begun, and what is left at exit stays reachable.
    alignas(Runtime) static unsigned char storage[sizeof(Runtime)];
    static Runtime* runtime = new (storage) Runtime();
    return *runtime;
}

Runtime::Runtime() {
    m_pending.push_back(rootClassDefinition());
    m_pending.push_back(stringClassDefinition());
    m_pending.push_back(dataClassDefinition());
    m_pending.push_back(autoreleasePoolClassDefinition());
    m_hasPending = true;
}

SEL Runtime::registerSelector(std::string_view name) {
    std::lock_guard lock(m_selectorMutex);
    auto found = m_selectors.find(name);
    if (found != m_selectors.end()) {
        return found->second.get();
    }
    auto selector = std::make_unique<Selector>(Selector{std::string(name)});
    SEL result = selector.get();
    m_selectors.emplace(std::string(name), std::move(selector));
    return result;
}

void Runtime::define(ClassDefinition definition) {
    std::unique_lock lock(m_mutex);
    m_pending.push_back(std::move(definition));
    m_hasPending = true;
}

// Creates every queued class whose superclass exists, repeating until no more can be made;
// a definition whose superclass never appears, or whose name is taken, is dropped.
void Runtime::resolvePending() {
    if (!m_hasPending.load(std::memory_order_acquire)) {
        return;
    }
    std::unique_lock lock(m_mutex);
    bool progress = true;
    while (progress && !m_pending.empty()) {
        progress = false;
        for (auto it = m_pending.begin(); it != m_pending.end();) {
            const ClassDefinition& definition = *it;
            Class superclass = nullptr;
            if (!definition.superclass().empty()) {
                auto found = m_classesByName.find(definition.superclass());
                if (found == m_classesByName.end()) {
                    ++it;
                    continue;
                }
                superclass = found->second;
            }
            if (Class cls = allocateLocked(superclass, definition.name())) {
                if (definition.factory() != nullptr) {
                    cls->m_factory = definition.factory();
                }
                for (const MethodDefinition& method : definition.methods()) {
                    addMethodLocked(method.isClassMethod ? cls->metaclass() : cls,
                                    registerSelector(method.selector), method.implementation,
                                    method.types);
                }
                cls->m_registered = true;
                m_classesByName.emplace(cls->name(), cls);
            }
            it = m_pending.erase(it);
            progress = true;
        }
    }
    m_pending.clear();
    m_hasPending = false;
}

Class Runtime::lookUpClass(std::string_view name) {
    resolvePending();
    std::shared_lock lock(m_mutex);
    auto found = m_classesByName.find(name);
    return found == m_classesByName.end() ? nullptr : found->second;
}

std::vector<Class> Runtime::registeredClasses() {
    resolvePending();
    std::shared_lock lock(m_mutex);
    std::vector<Class> classes;
    classes.reserve(m_classesByName.size());
    for (const auto& entry : m_classesByName) {
        classes.push_back(entry.second);
    }
    return classes;
}

std::vector<const Method*> Runtime::methodList(Class cls) {
    resolvePending();
    std::shared_lock lock(m_mutex);
    std::vector<const Method*> methods;
    if (!m_classes.contains(cls)) {
        return methods;
    }
    for (const auto& entry : cls->m_methods) {
        methods.push_back(entry.second.get());
    }
    return methods;
}

Class Runtime::allocateClassPair(Class superclass, std::string_view name) {
    resolvePending();
    std::unique_lock lock(m_mutex);
    if (superclass != nullptr && (!m_classes.contains(superclass) || superclass->isMetaclass())) {
        return nullptr;
    }
    return allocateLocked(superclass, name);
}

Class Runtime::allocateLocked(Class superclass, std::string_view name) {
    if (name.empty() || m_takenNames.contains(name)) {
        return nullptr;
    }
    auto cls = std::make_unique<ClassObject>(std::string(name), superclass, false);
    // The root metaclass's superclass is the root class, so classes answer instance methods of
    // the root (retain, respondsToSelector:...) too.
    auto meta = std::make_unique<ClassObject>(
        std::string(name), superclass != nullptr ? superclass->metaclass() : cls.get(), true);
    meta->setIsa(superclass != nullptr ? superclass->metaclass()->metaclass() : meta.get());
    cls->setIsa(meta.get());
    if (superclass != nullptr) {
        cls->m_factory = superclass->m_factory;
    }
    Class result = cls.get();
    m_classes.insert(cls.get());
    m_classes.insert(meta.get());
    m_classStore.push_back(std::move(cls));
    m_classStore.push_back(std::move(meta));
    m_takenNames.emplace(name);
    return result;
}

bool Runtime::addMethod(Class cls, SEL selector, IMP implementation, std::string_view types) {
    std::unique_lock lock(m_mutex);
    if (!m_classes.contains(cls)) {
        return false;
    }
    return addMethodLocked(cls, selector, implementation, types);
}

bool Runtime::addMethodLocked(Class cls, SEL selector, IMP implementation, std::string_view types) {
    if (selector == nullptr || implementation == nullptr || cls->m_methods.contains(selector)) {
        return false;
    }
    auto signature = signatureLocked(types);
    if (signature == nullptr) {
        return false;
    }
    cls->m_methods.emplace(
        selector, std::make_unique<Method>(
                      Method{selector, implementation, std::string(types), std::move(signature)}));
    return true;
}

std::shared_ptr<const MethodSignature> Runtime::signatureLocked(std::string_view types) {
    if (auto found = m_signatures.find(types); found != m_signatures.end()) {
        return found->second;
    }
    auto signature = MethodSignature::parse(types);
    if (signature != nullptr) {
        m_signatures.emplace(std::string(types), signature);
    }
    return signature;
}

void Runtime::registerClassPair(Class cls) {
    std::unique_lock lock(m_mutex);
    if (!m_classes.contains(cls) || cls->isMetaclass() || cls->m_registered) {
        return;
    }
    cls->m_registered = true;
    m_classesByName.emplace(cls->name(), cls);
}

bool Runtime::isLive(const void* pointer) const {
    if (pointer == nullptr) {
        return false;
    }
    std::shared_lock lock(m_mutex);
    return isLiveLocked(pointer);
}

bool Runtime::isClass(const void* pointer) const {
    std::shared_lock lock(m_mutex);
    return m_classes.contains(pointer);
}

Class Runtime::classOf(const void* object) const {
    if (object == nullptr) {
        return nullptr;
    }
    std::shared_lock lock(m_mutex);
    return isLiveLocked(object) ? static_cast<const Object*>(object)->isa() : nullptr;
}

const Method* Runtime::methodLocked(Class cls, SEL selector) {
    for (; cls != nullptr; cls = cls->superclass()) {
        auto found = cls->m_methods.find(selector);
        if (found != cls->m_methods.end()) {
            return found->second.get();
        }
    }
    return nullptr;
}

const Method* Runtime::methodOf(Class cls, SEL selector) const {
    std::shared_lock lock(m_mutex);
    return m_classes.contains(cls) ? methodLocked(cls, selector) : nullptr;
}

const Method* Runtime::methodFor(const void* receiver, SEL selector) const {
    if (receiver == nullptr) {
        return nullptr;
    }
    std::shared_lock lock(m_mutex);
    if (!isLiveLocked(receiver)) {
        return nullptr;
    }
    return methodLocked(static_cast<const Object*>(receiver)->isa(), selector);
}

id Runtime::adopt(std::unique_ptr<Object> object) {
    if (object == nullptr) {
        return nullptr;
    }
    id result = object.get();
    std::unique_lock lock(m_mutex);
    m_instances.emplace(result, std::move(object));
    return result;
}

void Runtime::destroy(id object) {
    std::unique_ptr<Object> doomed;
    {
        std::unique_lock lock(m_mutex);
        auto found = m_instances.find(object);
        if (found == m_instances.end()) {
            return;
        }
        doomed = std::move(found->second);
        m_instances.erase(found);
    }
    // Deleted outside the lock: a destructor may release other objects.
    doomed.reset();
}

// The public interface.

SEL registerSelector(std::string_view name) {
    return Runtime::instance().registerSelector(name);
}

const std::string& selectorName(SEL selector) {
    static const std::string kNone;
    return selector != nullptr ? selector->name : kNone;
}

Class lookUpClass(std::string_view name) {
    return Runtime::instance().lookUpClass(name);
}

Class allocateClassPair(Class superclass, std::string_view name) {
    return Runtime::instance().allocateClassPair(superclass, name);
}

bool addMethod(Class cls, SEL selector, IMP implementation, std::string_view types) {
    return Runtime::instance().addMethod(cls, selector, implementation, types);
}

void registerClassPair(Class cls) {
    Runtime::instance().registerClassPair(cls);
}

void defineClass(ClassDefinition definition) {
    Runtime::instance().define(std::move(definition));
}

std::vector<Class> classChain(Class cls) {
    std::vector<Class> chain;
    if (!isClass(cls)) {
        return chain;
    }
    for (; cls != nullptr; cls = cls->superclass()) {
        chain.push_back(cls);
    }
    return chain;
}

std::vector<Class> registeredClasses() {
    return Runtime::instance().registeredClasses();
}

std::vector<const Method*> methodList(Class cls) {
    return Runtime::instance().methodList(cls);
}

bool isLiveObject(const void* pointer) {
    return Runtime::instance().isLive(pointer);
}

bool isClass(const void* pointer) {
    return pointer != nullptr && Runtime::instance().isClass(pointer);
}

Class getClass(const void* object) {
    return Runtime::instance().classOf(object);
}

bool isKindOfClass(const void* object, Class cls) {
    for (Class current = getClass(object); current != nullptr; current = current->superclass()) {
        if (current == cls) {
            return true;
        }
    }
    return false;
}

const Method* getInstanceMethod(Class cls, SEL selector) {
    return Runtime::instance().methodOf(cls, selector);
}

const Method* getClassMethod(Class cls, SEL selector) {
    return isClass(cls) && !cls->isMetaclass()
               ? Runtime::instance().methodOf(cls->metaclass(), selector)
               : nullptr;
}

const Method* findMethod(const void* receiver, SEL selector) {
    return Runtime::instance().methodFor(receiver, selector);
}

id adoptObject(std::unique_ptr<Object> object) {
    return Runtime::instance().adopt(std::move(object));
}

id createInstance(Class cls) {
    if (!isClass(cls) || cls->isMetaclass() || cls->factory() == nullptr) {
        return nullptr;
    }
    return adoptObject(cls->factory()(cls));
}

void destroyObject(id object) {
    Runtime::instance().destroy(object);
}

SONDREL_OBJC_DYNAMIC_CALL std::uint64_t callWithWords(const Method& method, const void* receiver,
                                                      std::span<const std::uint64_t> words) {
    std::uint64_t w[8] = {};
    for (std::size_t i = 0; i < words.size() && i < 8; ++i) {
        w[i] = words[i];
    }
    using WordFunction = std::uint64_t (*)(const void*, SEL, std::uint64_t, std::uint64_t,
                                           std::uint64_t, std::uint64_t, std::uint64_t,
                                           std::uint64_t, std::uint64_t, std::uint64_t);
    const auto function = reinterpret_cast<WordFunction>(method.implementation);
    const std::uint64_t raw =
        function(receiver, method.selector, w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7]);
    return method.signature->widenWordResult(raw);
}

bool sendWords(const void* receiver, SEL selector, std::span<const std::uint64_t> words,
               std::uint64_t& result) {
    result = 0;
    const Method* method = findMethod(receiver, selector);
    if (method == nullptr || !method->signature->isWordCallable() || words.size() > 8) {
        return false;
    }
    result = callWithWords(*method, receiver, words);
    return true;
}

id retain(id object) {
    return send<id>(object, "retain"_sel);
}

void release(id object) {
    send(object, "release"_sel);
}

id autorelease(id object) {
    return send<id>(object, "autorelease"_sel);
}

} // namespace sondrel::objc
