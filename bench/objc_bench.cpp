// The cost of sending a message to a native object: SendObjectMessage on its direct path and on
// its invocation path (libffi, reading the type encoding), the runtime's own word send and typed
// send, next to a plain C++ virtual call doing the same work.

#include <benchmark/benchmark.h>

#include <array>
#include <memory>

#include "platform/objc/ClassDefinition.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/Runtime.h"
#include "runtime/controls/ObjectMessage.h"

namespace {

using namespace sondrel::objc::literals;

using sondrel::objc::id;
using sondrel::objc::NSInteger;
using sondrel::objc::SEL;

struct Counter : sondrel::objc::Object {
    using Object::Object;
    NSInteger total = 0;
};

NSInteger add(Counter* self, SEL, NSInteger value) {
    self->total += value;
    return self->total;
}

const sondrel::objc::ClassRegistration counterClass{
    sondrel::objc::ClassDefinition("BenchCounter", "NSObject", sondrel::objc::factoryFor<Counter>())
        .instanceMethod("add:", &add)};

struct Adder {
    virtual ~Adder() = default;
    virtual NSInteger add(NSInteger value) = 0;
};
struct CountingAdder final : Adder {
    NSInteger total = 0;
    NSInteger add(NSInteger value) override { return total += value; }
};

struct Receiver {
    Receiver()
        : object(sondrel::objc::send<id>(sondrel::objc::lookUpClass("BenchCounter"), "new"_sel)) {}
    ~Receiver() { sondrel::objc::release(object); }
    id object;
};

void DirectPathSend(benchmark::State& state) {
    Receiver receiver;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            sondrel::controls::SendObjectMessage(nullptr, receiver.object, "add:", 1));
    }
}
BENCHMARK(DirectPathSend);

void InvocationPathSend(benchmark::State& state) {
    Receiver receiver;
    NSInteger result = 0;
    for (auto _ : state) {
        // A result buffer sends the same message through the invocation.
        sondrel::controls::SendObjectMessage(&result, receiver.object, "add:", 1);
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(InvocationPathSend);

void RuntimeWordSend(benchmark::State& state) {
    Receiver receiver;
    const SEL selector = sondrel::objc::registerSelector("add:");
    const std::array<std::uint64_t, 1> words{1};
    std::uint64_t result = 0;
    for (auto _ : state) {
        sondrel::objc::sendWords(receiver.object, selector, words, result);
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(RuntimeWordSend);

void RuntimeTypedSend(benchmark::State& state) {
    Receiver receiver;
    const SEL selector = sondrel::objc::registerSelector("add:");
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            sondrel::objc::send<NSInteger>(receiver.object, selector, NSInteger{1}));
    }
}
BENCHMARK(RuntimeTypedSend);

void RuntimeNamedSend(benchmark::State& state) {
    Receiver receiver;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            sondrel::objc::send<NSInteger>(receiver.object, "add:"_sel, NSInteger{1}));
    }
}
BENCHMARK(RuntimeNamedSend);

void VirtualCall(benchmark::State& state) {
    std::unique_ptr<Adder> adder = std::make_unique<CountingAdder>();
    Adder* target = adder.get();
    for (auto _ : state) {
        benchmark::DoNotOptimize(target);
        benchmark::DoNotOptimize(target->add(1));
    }
}
BENCHMARK(VirtualCall);

} // namespace

BENCHMARK_MAIN();
