// The runtime core's hot paths: object lookup by number and by handle, pool
// take/return and list append/walk. Each runs over a growing number of live
// objects; the time per operation must not grow with it (constant time). The
// sizes stop at 32768: beyond, every scattered access misses the caches and
// the figures measure memory latency, not the algorithms.

#include <cstdint>
#include <vector>

#include <benchmark/benchmark.h>

#include "runtime/core/BlockPool.h"
#include "runtime/core/LinkedList.h"
#include "runtime/core/ObjectRegistry.h"
#include "runtime/core/Text.h"

namespace {

using namespace sondrel::core;

struct Record {
    void* native = nullptr;
    std::int64_t value = 0;
    bool exists() const { return native != nullptr; }
};

int gMarker;

// Visits the objects in a scattered order, so that lookups are not helped by
// walking memory in sequence.
std::size_t scattered(std::size_t step, std::size_t count) {
    return step * 7919 % count;
}

void FindObjectByNumber(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    ObjectRegistry<Record> registry(16);
    for (std::size_t number = 0; number < count; ++number) {
        ObtainObject(registry, static_cast<ObjectNumber>(number))->native = &gMarker;
    }
    std::size_t step = 0;
    for (auto _ : state) {
        const auto number = static_cast<ObjectNumber>(scattered(++step, count));
        benchmark::DoNotOptimize(FindObject(registry, number));
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(FindObjectByNumber)->RangeMultiplier(8)->Range(16, 1 << 15)->Complexity(benchmark::o1);

void FindObjectByHandle(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    ObjectRegistry<Record> registry(16);
    std::vector<ObjectNumber> handles;
    for (std::size_t i = 0; i < count; ++i) {
        Record* record = ObtainObject(registry, AnyObjectNumber);
        record->native = &gMarker;
        handles.push_back(ObjectHandle(record));
    }
    std::size_t step = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(FindObject(registry, handles[scattered(++step, count)]));
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(FindObjectByHandle)->RangeMultiplier(8)->Range(16, 1 << 15)->Complexity(benchmark::o1);

// One take and one return while the pool holds `range` blocks taken.
void PoolTakeReturn(benchmark::State& state) {
    BlockPoolPtr pool = CreateBlockPool(48, 16, 65536);
    std::vector<void*> held;
    for (std::int64_t i = 0; i < state.range(0); ++i) {
        held.push_back(TakePoolBlock(pool.get()));
    }
    std::size_t step = 0;
    for (auto _ : state) {
        // Returns a block from anywhere in the pool and takes one back.
        void*& slot = held[scattered(++step, held.size())];
        ReturnPoolBlock(pool.get(), slot);
        slot = TakePoolBlock(pool.get());
        benchmark::DoNotOptimize(slot);
    }
    state.SetItemsProcessed(state.iterations() * 2);
    state.SetComplexityN(state.range(0));
}
BENCHMARK(PoolTakeReturn)->RangeMultiplier(8)->Range(16, 1 << 15)->Complexity(benchmark::o1);

// Fills a pool with `range` blocks and empties it again: chunks are made and
// freed as the pool grows and shrinks.
void PoolFillAndEmpty(benchmark::State& state) {
    BlockPoolPtr pool = CreateBlockPool(48, 16, 65536);
    std::vector<void*> held(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        for (void*& block : held) {
            block = TakePoolBlock(pool.get());
        }
        for (void* block : held) {
            ReturnPoolBlock(pool.get(), block);
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * 2);
    state.SetComplexityN(state.range(0));
}
BENCHMARK(PoolFillAndEmpty)->RangeMultiplier(8)->Range(16, 1 << 15)->Complexity(benchmark::oN);

struct FileEntry {
    Text path;
};

// Appends `range` elements with a short path each, then empties the list (the
// emptying is timed too: pausing the timer would cost more than it).
void ListAppend(benchmark::State& state) {
    auto list = CreateList<FileEntry>();
    for (auto _ : state) {
        for (std::int64_t i = 0; i < state.range(0); ++i) {
            AddListElement(list.get())->path = u"/music/a.wav";
        }
        EmptyList(list.get());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(ListAppend)->RangeMultiplier(8)->Range(16, 1 << 15)->Complexity(benchmark::oN);

// Rewinds and walks a list of `range` elements with NextListElement.
void ListWalk(benchmark::State& state) {
    auto list = CreateList<FileEntry>();
    for (std::int64_t i = 0; i < state.range(0); ++i) {
        AddListElement(list.get())->path = u"/music/a.wav";
    }
    for (auto _ : state) {
        RewindList(list.get());
        while (FileEntry* entry = NextListElement(list.get())) {
            benchmark::DoNotOptimize(entry);
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(ListWalk)->RangeMultiplier(8)->Range(16, 1 << 15)->Complexity(benchmark::oN);

} // namespace

BENCHMARK_MAIN();
