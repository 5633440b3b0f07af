#pragma once

// Cocoa's constants for the classes of this layer: event types, modifier flags, window style
// masks, drag operations and pasteboard type names.

#include <cstdint>

#include "platform/objc/Geometry.h"
#include "platform/objc/Object.h"

namespace sondrel::appkit {

using objc::BOOL;
using objc::Class;
using objc::id;
using objc::NO;
using objc::NSInteger;
using objc::NSPoint;
using objc::NSRect;
using objc::NSSize;
using objc::NSUInteger;
using objc::SEL;
using objc::YES;

enum NSEventType : NSUInteger {
    NSEventTypeLeftMouseDown = 1,
    NSEventTypeLeftMouseUp = 2,
    NSEventTypeRightMouseDown = 3,
    NSEventTypeRightMouseUp = 4,
    NSEventTypeMouseMoved = 5,
    NSEventTypeLeftMouseDragged = 6,
    NSEventTypeRightMouseDragged = 7,
    NSEventTypeKeyDown = 10,
    NSEventTypeKeyUp = 11,
    NSEventTypeAppKitDefined = 13,
    NSEventTypeApplicationDefined = 15,
};

// Modifier flags. As Qt maps them on macOS: Command is the Ctrl key, Control is Meta, Option is
// Alt.
inline constexpr NSUInteger NSEventModifierFlagShift = 0x20000;
inline constexpr NSUInteger NSEventModifierFlagControl = 0x40000;
inline constexpr NSUInteger NSEventModifierFlagOption = 0x80000;
inline constexpr NSUInteger NSEventModifierFlagCommand = 0x100000;
inline constexpr NSUInteger NSEventModifierFlagNumericPad = 0x200000;
inline constexpr NSUInteger NSEventModifierFlagFunction = 0x800000;
inline constexpr NSUInteger NSEventModifierFlagDeviceIndependentFlagsMask = 0xFFFF0000;
inline constexpr NSUInteger NSEventMaskAny = ~NSUInteger{0};

// Function-key characters of key events and key equivalents.
inline constexpr char16_t NSUpArrowFunctionKey = 0xF700;
inline constexpr char16_t NSDownArrowFunctionKey = 0xF701;
inline constexpr char16_t NSLeftArrowFunctionKey = 0xF702;
inline constexpr char16_t NSRightArrowFunctionKey = 0xF703;
inline constexpr char16_t NSF1FunctionKey = 0xF704;
inline constexpr char16_t NSInsertFunctionKey = 0xF727;
inline constexpr char16_t NSDeleteFunctionKey = 0xF728;
inline constexpr char16_t NSHomeFunctionKey = 0xF729;
inline constexpr char16_t NSEndFunctionKey = 0xF72B;
inline constexpr char16_t NSPageUpFunctionKey = 0xF72C;
inline constexpr char16_t NSPageDownFunctionKey = 0xF72D;
inline constexpr char16_t NSHelpFunctionKey = 0xF746;

enum NSWindowStyleMask : NSUInteger {
    NSWindowStyleMaskBorderless = 0,
    NSWindowStyleMaskTitled = 1,
    NSWindowStyleMaskClosable = 2,
    NSWindowStyleMaskMiniaturizable = 4,
    NSWindowStyleMaskResizable = 8,
};

enum NSWindowButton : NSUInteger {
    NSWindowCloseButton = 0,
    NSWindowMiniaturizeButton = 1,
    NSWindowZoomButton = 2,
};

enum NSWindowOrderingMode : NSInteger {
    NSWindowBelow = -1,
    NSWindowOut = 0,
    NSWindowAbove = 1,
};

// Window levels (what CGWindowLevelForKey gives for the normal and floating keys).
inline constexpr NSInteger NSNormalWindowLevel = 0;
inline constexpr NSInteger NSFloatingWindowLevel = 3;

enum NSDragOperation : NSUInteger {
    NSDragOperationNone = 0,
    NSDragOperationCopy = 1,
    NSDragOperationLink = 2,
    NSDragOperationGeneric = 4,
    NSDragOperationPrivate = 8,
    NSDragOperationMove = 16,
    NSDragOperationDelete = 32,
};

enum NSBackingStoreType : NSUInteger {
    NSBackingStoreBuffered = 2,
};

// Pasteboard type names (the strings the constants hold).
inline constexpr char16_t NSStringPboardType[] = u"NSStringPboardType";
inline constexpr char16_t NSFilenamesPboardType[] = u"NSFilenamesPboardType";
inline constexpr char16_t NSTIFFPboardType[] = u"NSTIFFPboardType";

} // namespace sondrel::appkit
