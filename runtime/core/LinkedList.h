#pragma once

// Linked lists: ordered, growable lists of elements with a built-in cursor
// (the current element), such as the paths of the files waiting to be
// converted.
//
// An element is a value-initialised `Element` (all zeros for plain fields, so
// text fields start empty) owned by the list: removing it destroys it, and with
// it any texts it holds. The caller may hold the list through a ListVariable,
// whose `current` the list keeps equal to its current element.
//
// Cursor rules: a new, rewound or emptied list has no current element; the
// next NextListElement goes to the first element. AddListElement inserts
// directly after the current element (at the front when there is none) and
// makes the new element current, so elements added one after another after a
// rewind keep their order. Stepping past the last element returns null and
// leaves the last element current.
//
// A list is not locked: one thread at a time may use it. Nodes come from a
// shared block pool, which is locked by the pool.

#include <concepts>
#include <cstdint>
#include <iterator>
#include <memory>
#include <new>
#include <type_traits>

#include "runtime/core/BlockPool.h"

namespace sondrel::core {

template <typename E>
concept ListElement = std::is_nothrow_default_constructible_v<E> && std::destructible<E>;

template <ListElement Element> class LinkedList;

// The caller's two words for a list: the list, and its current element.
template <ListElement Element> struct ListVariable {
    LinkedList<Element>* list = nullptr;
    Element* current = nullptr;
};

template <ListElement Element> class LinkedList {
    struct Node {
        Node* next = nullptr;
        Node* previous = nullptr;
        Element element{};
    };
    static_assert(alignof(Node) <= 8, "pool blocks are 8-aligned");

public:
    // Nodes come from the shared pool for their size: chunks of 16 blocks
    // first, 65536 at most.
    static constexpr std::size_t kSmallestChunk = 16;
    static constexpr std::size_t kLargestChunk = 65536;

    // Without a variable the list keeps its own. Check valid(): the list is
    // unusable when no pool could be had.
    explicit LinkedList(ListVariable<Element>* variable = nullptr, std::int32_t elementKind = 0)
        : m_pool(CreateBlockPool(sizeof(Node), kSmallestChunk, kLargestChunk, kPoolShared)),
          m_variable(variable != nullptr ? variable : &m_ownVariable), m_kind(elementKind) {
        *m_variable = ListVariable<Element>{this, nullptr};
    }
    LinkedList(const LinkedList&) = delete;
    LinkedList& operator=(const LinkedList&) = delete;
    ~LinkedList() {
        empty();
        *m_variable = ListVariable<Element>{};
    }

    bool valid() const { return m_pool != nullptr; }

    // A new element (see the cursor rules), or null when no memory is left;
    // the list is then unchanged.
    Element* add() {
        void* block = TakePoolBlock(m_pool.get());
        if (block == nullptr) {
            return nullptr;
        }
        Node* node = std::construct_at(static_cast<Node*>(block));
        if (m_current != nullptr) {
            node->previous = m_current;
            node->next = m_current->next;
            ++m_index;
        } else {
            node->next = m_first;
            m_index = 0;
        }
        (node->previous != nullptr ? node->previous->next : m_first) = node;
        (node->next != nullptr ? node->next->previous : m_last) = node;
        ++m_count;
        return moveTo(node);
    }

    void rewind() {
        moveTo(nullptr);
        m_index = -1;
    }

    // The element that became current, or null at the end (or when empty).
    Element* next() {
        if (m_current == nullptr) {
            if (m_first == nullptr) {
                return nullptr;
            }
            m_index = 0;
            return moveTo(m_first);
        }
        if (m_current->next == nullptr) {
            return nullptr;
        }
        ++m_index;
        return moveTo(m_current->next);
    }

    // Destroys every element; the list can be filled again.
    void empty() {
        for (Node* node = m_first; node != nullptr;) {
            Node* next = node->next;
            std::destroy_at(node);
            ReturnPoolBlock(m_pool.get(), node);
            node = next;
        }
        m_first = m_last = nullptr;
        m_count = 0;
        rewind();
    }

    Element* current() const { return m_current != nullptr ? &m_current->element : nullptr; }
    // Position of the current element from 0, or -1 when there is none.
    std::int64_t currentIndex() const { return m_index; }
    std::int64_t count() const { return m_count; }
    std::int32_t elementKind() const { return m_kind; }

    // Walks the elements in order without moving the cursor.
    class Iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = Element;
        using difference_type = std::ptrdiff_t;
        using pointer = Element*;
        using reference = Element&;

        Iterator() = default;
        explicit Iterator(Node* node) : m_node(node) {}
        Element& operator*() const { return m_node->element; }
        Element* operator->() const { return &m_node->element; }
        Iterator& operator++() {
            m_node = m_node->next;
            return *this;
        }
        Iterator operator++(int) {
            Iterator before = *this;
            ++*this;
            return before;
        }
        bool operator==(const Iterator&) const = default;

    private:
        Node* m_node = nullptr;
    };
    Iterator begin() const { return Iterator(m_first); }
    Iterator end() const { return Iterator(); }

private:
    Element* moveTo(Node* node) {
        m_current = node;
        m_variable->current = current();
        return m_variable->current;
    }

    BlockPoolPtr m_pool;
    ListVariable<Element> m_ownVariable;
    ListVariable<Element>* m_variable;
    Node* m_first = nullptr;
    Node* m_last = nullptr;
    Node* m_current = nullptr;
    std::int64_t m_count = 0;
    std::int64_t m_index = -1;
    std::int32_t m_kind;
};

// The procedural interface. A null list is ignored (and gives null).

// A new list, with `variable` (if given) pointing at it; null when no memory.
template <ListElement Element>
std::unique_ptr<LinkedList<Element>> CreateList(ListVariable<Element>* variable = nullptr,
                                                std::int32_t elementKind = 0) {
    std::unique_ptr<LinkedList<Element>> list;
    try {
        list = std::make_unique<LinkedList<Element>>(variable, elementKind);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return list->valid() ? std::move(list) : nullptr;
}

template <ListElement Element> Element* AddListElement(LinkedList<Element>* list) {
    return list != nullptr ? list->add() : nullptr;
}

template <ListElement Element> void RewindList(LinkedList<Element>* list) {
    if (list != nullptr) {
        list->rewind();
    }
}

template <ListElement Element> Element* NextListElement(LinkedList<Element>* list) {
    return list != nullptr ? list->next() : nullptr;
}

template <ListElement Element> void EmptyList(LinkedList<Element>* list) {
    if (list != nullptr) {
        list->empty();
    }
}

// Destroys the list and its elements and clears its variable; null is ignored.
template <ListElement Element> void DestroyList(std::unique_ptr<LinkedList<Element>>& list) {
    list.reset();
}

} // namespace sondrel::core
