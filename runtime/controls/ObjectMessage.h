#pragma once

// SendObjectMessage: sends any message to a native object or class, described by texts and
// 64-bit words only. The selector is given in pieces as it is written ("initWithString:",
// "scrollRangeToVisible:"), each piece followed by its argument word; a null receiver means the
// first piece names the class before a space ("NSAttributedString alloc").
//
// Texts are 8-bit or UTF-16, zero-terminated; the first piece decides for the whole call: when
// its second byte is zero, every piece and every "$" argument is read as UTF-16. (So an 8-bit
// first piece of a single character is taken as UTF-16; selectors are never that short.)
//
// A piece's last character may be a suffix saying how its argument is passed:
//   none  the word itself: an integer, a pointer, an object, or a double's bit pattern;
//   "$"   the word points at a text of the call's width, passed as a new autoreleased NSString
//         (8-bit texts read as ISO Latin 1); a zero word passes nil;
//   "@"   the word points at a structure (an NSRange, an NSSize...), passed by value with as
//         many bytes as the method's parameter takes; a zero word passes zeros.
// A selector without a colon takes no argument: the word of a one-argument call is ignored.
//
// Two ways to call:
//   direct      no result buffer, no suffix, at most four arguments, and a method whose
//               parameters and result are integers or pointers: the words are passed as
//               integer arguments and the result returned, zero-extended from its width;
//   invocation  every other case: the arguments are set from the method's type encoding
//               (floating-point values and structures included) and the method is called
//               through libffi. A result of up to eight bytes is returned zero-extended (an int
//               -1 gives 4294967295, a BOOL YES gives 1, a double its bit pattern); with a
//               result buffer the whole result is copied there and 0 returned; a longer result
//               without a buffer is dropped (0).
//
// 0 is returned, and nothing sent, for an unknown class, a receiver that is not a live native
// object, a missing method, texts longer than 263 characters (class name or joined selector),
// or more arguments than the method takes. Void methods return 0.
//
// Runs on the calling thread without locks; converted strings go to the calling thread's
// autorelease pool.

#include <array>
#include <cstdint>

namespace sondrel::controls {

struct MessageCall {
    void* result = nullptr;              // where a result of any size is copied, or null
    const void* receiver = nullptr;      // the object or class; null: the first piece names a class
    std::array<const void*, 8> pieces{}; // the list ends at the first null piece
    std::array<std::uint64_t, 8> words{};
};

enum class MessagePath { NotSent, Direct, Invocation };

// The worker behind every arity; `path`, when given, tells how the message went.
std::uint64_t SendMessageCall(const MessageCall& call, MessagePath* path = nullptr);

using Word = std::uint64_t;
using Piece = const void*;

Word SendObjectMessage(void* result, const void* receiver, Piece p1);
Word SendObjectMessage(void* result, const void* receiver, Piece p1, Word w1);
Word SendObjectMessage(void* result, const void* receiver, Piece p1, Word w1, Piece p2, Word w2);
Word SendObjectMessage(void* result, const void* receiver, Piece p1, Word w1, Piece p2, Word w2,
                       Piece p3, Word w3);
Word SendObjectMessage(void* result, const void* receiver, Piece p1, Word w1, Piece p2, Word w2,
                       Piece p3, Word w3, Piece p4, Word w4);
Word SendObjectMessage(void* result, const void* receiver, Piece p1, Word w1, Piece p2, Word w2,
                       Piece p3, Word w3, Piece p4, Word w4, Piece p5, Word w5);
Word SendObjectMessage(void* result, const void* receiver, Piece p1, Word w1, Piece p2, Word w2,
                       Piece p3, Word w3, Piece p4, Word w4, Piece p5, Word w5, Piece p6, Word w6);
Word SendObjectMessage(void* result, const void* receiver, Piece p1, Word w1, Piece p2, Word w2,
                       Piece p3, Word w3, Piece p4, Word w4, Piece p5, Word w5, Piece p6, Word w6,
                       Piece p7, Word w7);
Word SendObjectMessage(void* result, const void* receiver, Piece p1, Word w1, Piece p2, Word w2,
                       Piece p3, Word w3, Piece p4, Word w4, Piece p5, Word w5, Piece p6, Word w6,
                       Piece p7, Word w7, Piece p8, Word w8);

} // namespace sondrel::controls
