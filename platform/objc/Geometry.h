#pragma once

// The geometry and range structures that messages pass by value, with their encodings.

#include <cstdint>

#include "platform/objc/TypeEncoding.h"

namespace sondrel::objc {

struct CGPoint {
    double x = 0;
    double y = 0;
    bool operator==(const CGPoint&) const = default;
};

struct CGSize {
    double width = 0;
    double height = 0;
    bool operator==(const CGSize&) const = default;
};

struct CGRect {
    CGPoint origin;
    CGSize size;
    bool operator==(const CGRect&) const = default;
};

struct NSRange {
    std::uint64_t location = 0;
    std::uint64_t length = 0;
    bool operator==(const NSRange&) const = default;
};

using NSPoint = CGPoint;
using NSSize = CGSize;
using NSRect = CGRect;

SONDREL_OBJC_ENCODING(CGPoint, "{CGPoint=dd}");
SONDREL_OBJC_ENCODING(CGSize, "{CGSize=dd}");
SONDREL_OBJC_ENCODING(CGRect, "{CGRect={CGPoint=dd}{CGSize=dd}}");
SONDREL_OBJC_ENCODING(NSRange, "{_NSRange=QQ}");

} // namespace sondrel::objc
