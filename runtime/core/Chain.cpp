#include "runtime/core/Chain.h"

#include "runtime/core/Block.h"

namespace sondrel::core {
namespace {

// The two links in front of a payload (payload addresses of the neighbours).
struct Links {
    void* next;
    void* previous;
};
static_assert(sizeof(Links) % alignof(std::max_align_t) == 0,
              "payloads keep the alignment of their blocks");

Links* linksOf(const void* payload) {
    return reinterpret_cast<Links*>(static_cast<unsigned char*>(const_cast<void*>(payload)) -
                                    sizeof(Links));
}

void* newNode(std::size_t payloadSize) {
    if (payloadSize > SIZE_MAX - sizeof(Links)) {
        return nullptr;
    }
    auto* node = static_cast<unsigned char*>(BlockAlloc(sizeof(Links) + payloadSize));
    return node == nullptr ? nullptr : node + sizeof(Links);
}

} // namespace

void* ChainPush(void*& head, std::size_t payloadSize) {
    void* payload = newNode(payloadSize);
    if (payload == nullptr) {
        return nullptr;
    }
    linksOf(payload)->next = head;
    if (head != nullptr) {
        linksOf(head)->previous = payload;
    }
    head = payload;
    return payload;
}

void* ChainInsertAfter(void* payload, std::size_t payloadSize) {
    if (payload == nullptr) {
        return nullptr;
    }
    void* inserted = newNode(payloadSize);
    if (inserted == nullptr) {
        return nullptr;
    }
    Links* before = linksOf(payload);
    linksOf(inserted)->previous = payload;
    linksOf(inserted)->next = before->next;
    if (before->next != nullptr) {
        linksOf(before->next)->previous = inserted;
    }
    before->next = inserted;
    return inserted;
}

void ChainRemove(void*& head, void* payload) {
    if (payload == nullptr) {
        return;
    }
    Links* links = linksOf(payload);
    if (links->previous != nullptr) {
        linksOf(links->previous)->next = links->next;
    } else if (head == payload) {
        head = links->next;
    }
    if (links->next != nullptr) {
        linksOf(links->next)->previous = links->previous;
    }
    BlockFree(links);
}

bool ChainContains(const void* first, const void* payload) {
    for (const void* node = first; node != nullptr; node = linksOf(node)->next) {
        if (node == payload) {
            return true;
        }
    }
    return false;
}

void* ChainNext(const void* payload) {
    return payload == nullptr ? nullptr : linksOf(payload)->next;
}

void* ChainPrevious(const void* payload) {
    return payload == nullptr ? nullptr : linksOf(payload)->previous;
}

void ChainClear(void*& head) {
    while (head != nullptr) {
        ChainRemove(head, head);
    }
}

} // namespace sondrel::core
