#include "platform/objc/MessageMistakes.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <set>
#include <string>
#include <utility>

#include "platform/objc/MethodSignature.h"
#include "platform/objc/Runtime.h"

// Defined (true) by every test program; absent from the program that ships.
extern "C" [[gnu::weak]] const bool sondrel_objc_stop_on_message_mistakes;

namespace sondrel::objc {
namespace {

MessageChecking initialChecking() {
#ifndef NDEBUG
    return MessageChecking::Stop;
#else
    return &sondrel_objc_stop_on_message_mistakes != nullptr &&
                   sondrel_objc_stop_on_message_mistakes
               ? MessageChecking::Stop
               : MessageChecking::Report;
#endif
}

std::atomic<MessageChecking>& checkingMode() {
    static std::atomic<MessageChecking> mode{initialChecking()};
    return mode;
}

// "-[NSWindow makeFirstResponder:]", or "+[...]" for a message to a class.
std::string methodName(Class cls, SEL selector) {
    const bool toClass = cls->isMetaclass();
    return std::string(toClass ? "+[" : "-[") + cls->name() + " " + selectorName(selector) + "]";
}

std::string describe(Class cls, SEL selector, const Method* method, std::string_view callTypes,
                     CallSite site) {
    std::string text = "message mistake: " + methodName(cls, selector);
    if (method == nullptr) {
        text += " is not a method of the receiver's class";
    } else {
        text += " takes ";
        text += method->signature != nullptr ? method->signature->canonicalTypes() : method->types;
    }
    text += ", sent as ";
    text += callTypes;
    text += " from ";
    text += site.file;
    text += ":" + std::to_string(site.line);
    return text;
}

// True the first time a selector goes wrong for a class.
bool firstTime(Class cls, SEL selector) {
    static std::mutex* mutex = new std::mutex; // never destroyed: detached threads send late
    static auto* seen = new std::set<std::pair<Class, SEL>>;
    std::lock_guard lock(*mutex);
    return seen->emplace(cls, selector).second;
}

} // namespace

MessageChecking messageChecking() {
    return checkingMode().load(std::memory_order_relaxed);
}

void setMessageChecking(MessageChecking checking) {
    checkingMode().store(checking, std::memory_order_relaxed);
}

void messageMistake(const void* receiver, SEL selector, const Method* method,
                    std::string_view callTypes, CallSite site) {
    const Class cls = getClass(receiver);
    if (cls == nullptr) {
        return;
    }
    const std::string text = describe(cls, selector, method, callTypes, site);
    if (messageChecking() == MessageChecking::Stop) {
        std::fprintf(stderr, "%s\n", text.c_str());
        std::fflush(stderr);
        std::abort();
    }
    if (firstTime(cls, selector)) {
        std::fprintf(stderr, "%s (answered as nil)\n", text.c_str());
    }
}

} // namespace sondrel::objc
