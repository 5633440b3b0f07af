#pragma once

// Object registries: the runtime's objects (windows, gadgets, menu bars,
// images, folder scans) are named by numbers, one registry per kind.
//
// A fixed number (0 up to kObjectNumberLimit - 1) is chosen by the caller and
// indexes the registry's slot table, which grows on demand. Creating with
// AnyObjectNumber instead makes a record outside the table whose address is
// the object's handle; later calls accept the handle like a fixed number.
// Handles are addresses and never fall inside a slot table.
//
// A record is a default-constructed `Record`; it holds an object while
// `record.exists()` is true (the kind's main native pointer is set). Releasing
// a fixed number resets its record to `Record{}` but keeps it for the number's
// next use; releasing a handle destroys its record.
//
// Any value that is neither a slot number nor a live handle (a stale or
// made-up handle, a negative number) is reported as "no object" without being
// dereferenced: live handles are kept in a set.
//
// Each registry has a recursive mutex, held for each operation and for a whole
// scan; the free procedure runs under it, so it may call back into the
// registry (it normally ends by calling ReleaseObject). Records handed out are
// borrowed: they stay valid until their object is released.

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <new>
#include <type_traits>
#include <unordered_map>
#include <vector>

namespace sondrel::core {

using ObjectNumber = std::intptr_t;

// Given instead of a fixed number: the runtime picks a handle.
inline constexpr ObjectNumber AnyObjectNumber = -1;

// Fixed numbers are below this limit; a larger one is refused rather than
// growing a table of gigabytes.
inline constexpr ObjectNumber kObjectNumberLimit = ObjectNumber{1} << 20;

template <typename R>
concept NumberedRecord = std::is_nothrow_default_constructible_v<R> && requires(const R& record) {
    { record.exists() } -> std::convertible_to<bool>;
};

// Frees one object's resources and ends by calling ReleaseObject for it.
using FreeProcedure = std::function<void(ObjectNumber)>;

// The handle of a record obtained with AnyObjectNumber.
inline ObjectNumber ObjectHandle(const void* record) {
    return reinterpret_cast<ObjectNumber>(record);
}

template <NumberedRecord Record> class ObjectScan;

template <NumberedRecord Record> class ObjectRegistry {
public:
    // `growthStep` is the initial number of slots and how many are added
    // beyond a requested number when the table grows.
    explicit ObjectRegistry(std::int32_t growthStep, FreeProcedure freeProcedure = {})
        : m_growthStep(growthStep > 0 ? static_cast<std::size_t>(growthStep) : 1),
          m_free(std::move(freeProcedure)), m_slots(m_growthStep) {}
    ObjectRegistry(const ObjectRegistry&) = delete;
    ObjectRegistry& operator=(const ObjectRegistry&) = delete;
    // Frees the records without calling the free procedure: call releaseAll()
    // first where objects hold outside resources.
    ~ObjectRegistry() = default;

    // A fresh Record{} to fill in, or null (no memory, or not an object
    // number). An object already under a fixed number is freed first through
    // the free procedure and its record reused.
    Record* obtain(ObjectNumber number) {
        try {
            return number == AnyObjectNumber ? obtainDynamic() : obtainFixed(number);
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
    }

    // The record of the object under `number`, or null when there is none.
    Record* find(ObjectNumber number) {
        std::lock_guard guard(m_lock);
        Record* record = recordOf(number);
        return record != nullptr && record->exists() ? record : nullptr;
    }

    void release(ObjectNumber number) {
        std::lock_guard guard(m_lock);
        if (number >= 0 && static_cast<std::size_t>(number) < m_slots.size()) {
            if (Record* record = m_slots[static_cast<std::size_t>(number)].get()) {
                reset(*record);
            }
            return;
        }
        const auto found = m_handles.find(number);
        if (found == m_handles.end()) {
            return;
        }
        const auto node = found->second;
        for (Cursor* cursor : m_cursors) {
            if (cursor->dynamic == node) {
                ++cursor->dynamic;
            }
        }
        m_handles.erase(found);
        const std::unique_ptr<Record> doomed = std::move(*node);
        m_dynamic.erase(node);
    }

    // Frees every object: through the free procedure, or directly without one.
    void releaseAll() {
        ObjectScan<Record> scan(*this);
        ObjectNumber number = 0;
        while (scan.next(&number) != nullptr) {
            if (m_free) {
                m_free(number);
            } else {
                release(number);
            }
        }
    }

    std::int64_t slotCount() {
        std::lock_guard guard(m_lock);
        return static_cast<std::int64_t>(m_slots.size());
    }

    // The registry's own scan, for BeginObjectScan and NextObject: the lock is
    // held from beginScan() until nextInScan() reports the end. Beginning again
    // before the end restarts the scan.
    void beginScan() {
        m_lock.lock();
        if (m_scanOpen) {
            m_lock.unlock(); // the open scan already holds the lock once
        } else {
            m_scanOpen = true;
            m_cursors.push_back(&m_scanCursor);
        }
        m_scanCursor = Cursor{0, m_dynamic.begin()};
    }

    Record* nextInScan(ObjectNumber* number) {
        std::lock_guard guard(m_lock);
        if (!m_scanOpen) {
            return nullptr;
        }
        Record* record = advance(m_scanCursor, number);
        if (record == nullptr) {
            m_scanOpen = false;
            std::erase(m_cursors, &m_scanCursor);
            m_lock.unlock();
        }
        return record;
    }

private:
    friend class ObjectScan<Record>;
    using DynamicList = std::list<std::unique_ptr<Record>>;

    // Where a scan stands: the next slot, then the next dynamic record.
    struct Cursor {
        std::size_t slot = 0;
        typename DynamicList::iterator dynamic;
    };

    static void reset(Record& record) noexcept {
        std::destroy_at(&record);
        std::construct_at(&record);
    }

    Record* obtainDynamic() {
        auto record = std::make_unique<Record>();
        const ObjectNumber handle = ObjectHandle(record.get());
        if (handle < kObjectNumberLimit) {
            return nullptr; // cannot happen with a real heap; keeps numbers and handles apart
        }
        std::lock_guard guard(m_lock);
        m_dynamic.push_back(std::move(record));
        try {
            m_handles.emplace(handle, std::prev(m_dynamic.end()));
        } catch (...) {
            m_dynamic.pop_back();
            throw;
        }
        return m_dynamic.back().get();
    }

    Record* obtainFixed(ObjectNumber number) {
        if (number < 0 || number >= kObjectNumberLimit) {
            return nullptr;
        }
        const auto index = static_cast<std::size_t>(number);
        std::lock_guard guard(m_lock);
        if (index >= m_slots.size()) {
            m_slots.resize(index + m_growthStep);
        }
        if (m_slots[index] == nullptr) {
            m_slots[index] = std::make_unique<Record>();
            return m_slots[index].get();
        }
        if (m_free && m_slots[index]->exists()) {
            m_free(number); // may reach back into the registry and grow the table
        }
        reset(*m_slots[index]);
        return m_slots[index].get();
    }

    Record* recordOf(ObjectNumber number) {
        if (number < 0) {
            return nullptr;
        }
        if (static_cast<std::size_t>(number) < m_slots.size()) {
            return m_slots[static_cast<std::size_t>(number)].get();
        }
        // A live handle is the record's own address.
        return m_handles.contains(number) ? reinterpret_cast<Record*>(number) : nullptr;
    }

    // Moves the cursor past the next existing object and returns it; fixed
    // numbers in ascending order, then dynamic records oldest first.
    Record* advance(Cursor& cursor, ObjectNumber* number) {
        while (cursor.slot < m_slots.size()) {
            const std::size_t index = cursor.slot++;
            Record* record = m_slots[index].get();
            if (record != nullptr && record->exists()) {
                if (number != nullptr) {
                    *number = static_cast<ObjectNumber>(index);
                }
                return record;
            }
        }
        while (cursor.dynamic != m_dynamic.end()) {
            Record* record = (cursor.dynamic++)->get();
            if (record->exists()) {
                if (number != nullptr) {
                    *number = ObjectHandle(record);
                }
                return record;
            }
        }
        return nullptr;
    }

    std::recursive_mutex m_lock;
    std::size_t m_growthStep;
    FreeProcedure m_free;
    std::vector<std::unique_ptr<Record>> m_slots;
    DynamicList m_dynamic; // oldest first
    std::unordered_map<ObjectNumber, typename DynamicList::iterator> m_handles;
    std::vector<Cursor*> m_cursors; // open scans; moved on when their next record goes
    Cursor m_scanCursor;
    bool m_scanOpen = false;
};

// One pass over a registry's objects that holds its lock until the end or
// until the scan is destroyed. The returned object may be released during the
// scan (so may any other).
template <NumberedRecord Record> class ObjectScan {
public:
    explicit ObjectScan(ObjectRegistry<Record>& registry) : m_registry(&registry) {
        registry.m_lock.lock();
        m_cursor.dynamic = registry.m_dynamic.begin();
        registry.m_cursors.push_back(&m_cursor);
    }
    ObjectScan(const ObjectScan&) = delete;
    ObjectScan& operator=(const ObjectScan&) = delete;
    ~ObjectScan() { finish(); }

    // The next object (its number or handle in `*number`), or null at the end.
    Record* next(ObjectNumber* number = nullptr) {
        if (m_registry == nullptr) {
            return nullptr;
        }
        Record* record = m_registry->advance(m_cursor, number);
        if (record == nullptr) {
            finish();
        }
        return record;
    }

private:
    void finish() {
        if (m_registry != nullptr) {
            std::erase(m_registry->m_cursors, &m_cursor);
            m_registry->m_lock.unlock();
            m_registry = nullptr;
        }
    }

    ObjectRegistry<Record>* m_registry;
    typename ObjectRegistry<Record>::Cursor m_cursor;
};

// The procedural interface the rest of the runtime uses.

template <NumberedRecord Record>
std::unique_ptr<ObjectRegistry<Record>> CreateObjectRegistry(std::int32_t growthStep,
                                                             FreeProcedure freeProcedure = {}) {
    return std::make_unique<ObjectRegistry<Record>>(growthStep, std::move(freeProcedure));
}

template <NumberedRecord Record>
Record* ObtainObject(ObjectRegistry<Record>& registry, ObjectNumber number) {
    return registry.obtain(number);
}

template <NumberedRecord Record>
Record* FindObject(ObjectRegistry<Record>& registry, ObjectNumber number) {
    return registry.find(number);
}

template <NumberedRecord Record>
void ReleaseObject(ObjectRegistry<Record>& registry, ObjectNumber number) {
    registry.release(number);
}

template <NumberedRecord Record> void ReleaseAllObjects(ObjectRegistry<Record>& registry) {
    registry.releaseAll();
}

// Holds the registry's lock until NextObject returns null: always run the scan
// to its end (or use ObjectScan, which cannot be left open).
template <NumberedRecord Record> void BeginObjectScan(ObjectRegistry<Record>& registry) {
    registry.beginScan();
}

template <NumberedRecord Record>
Record* NextObject(ObjectRegistry<Record>& registry, ObjectNumber* number) {
    return registry.nextInScan(number);
}

} // namespace sondrel::core
