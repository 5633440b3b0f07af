#pragma once

// Chains: doubly linked lists of zero-filled nodes with a payload of any size.
//
// A node is two links (next, previous) followed by its payload; callers hold
// and pass payload addresses, and a chain is named by its head, the payload
// of its first node (null for an empty chain). Nodes are size-carrying blocks
// and must only be unlinked with ChainRemove. Chains are not locked.

#include <cstddef>

namespace sondrel::core {

// A new node at the front of the chain; its payload, or null when memory is
// exhausted (the chain is then unchanged).
void* ChainPush(void*& head, std::size_t payloadSize);

// A new node directly after the node of `payload`; its payload, or null.
void* ChainInsertAfter(void* payload, std::size_t payloadSize);

// Unlinks and frees the node of `payload`; the head moves on when it was the
// first node. Null is ignored.
void ChainRemove(void*& head, void* payload);

// Whether `payload` belongs to a node reached from `first` by the next links.
bool ChainContains(const void* first, const void* payload);

// The neighbours of a node's payload, or null at the ends.
void* ChainNext(const void* payload);
void* ChainPrevious(const void* payload);

// Frees every node of the chain and empties it.
void ChainClear(void*& head);

} // namespace sondrel::core
