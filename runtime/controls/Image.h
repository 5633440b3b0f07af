#pragma once

// Image objects: numbered objects (one registry, growth step 16) that each hold a 32-bit RGBA
// bitmap (NSBitmapImageRep: 8 bits a sample, R, G, B, A bytes, alpha not premultiplied, rows
// top-down, width x 4 bytes a row) and the native image (NSImage) that shows it, sized in
// points as the bitmap is in pixels.
//
// Object numbers are fixed numbers from 0 up or, given AnyObjectNumber (-1) at creation, a
// dynamic number the runtime chooses. Creating under a fixed number in use releases the old
// image first. ImageHandle gives the native image without a new reference: whoever keeps it
// beyond the image object's life retains it. Images are made from memory through the decoder
// registry (InitImageDecoders and the Register...Decoder operations come first).
//
// The registry is shared and locked per operation, so images may be made and released on any
// thread; the native images themselves follow the native classes' thread rules.

#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/objc/Object.h"
#include "runtime/core/ObjectRegistry.h"

namespace sondrel::controls {

using core::AnyObjectNumber;
using core::ObjectNumber;

// Creates the image registry; called once at start-up (calling it again does nothing).
void InitImages();

// Decodes `size` bytes at `data` with the first registered decoder that accepts them and makes
// image object `image` of the decoded size. Returns, for AnyObjectNumber, the new dynamic number,
// for a fixed number the native image (as an integer); 0 when no decoder accepts the data, the
// image would be empty or too large, or the bitmap cannot be made (no number is then taken).
// A decoding error part-way leaves the image made with the rows read so far. The size must be
// the size the caller owns: the unknown size (2147483647) is refused, as nothing would keep the
// decoders inside the caller's memory. `flags` is not used.
std::intptr_t ImageFromMemory(ObjectNumber image, const void* data, std::uint32_t size,
                              int flags = 0);
std::intptr_t ImageFromMemory(ObjectNumber image, std::span<const std::byte> data, int flags = 0);

// Makes image object `image` of `width` x `height` pixels (1 to 65535 each). Fill mode 0 leaves
// the pixels as the bitmap was made, 1 fills every pixel with `color` (MakeColor) at alpha 255,
// any other value with transparent black. Returns the dynamic number for AnyObjectNumber, else
// a non-zero value; 0 on failure.
std::intptr_t NewImage(ObjectNumber image, int width, int height, int fillMode = 0, int color = 0);

// The native image (an NSImage), or null for an unknown number. Not retained for the caller.
objc::id ImageHandle(ObjectNumber image);

// Width and height in pixels; 0 for an unknown number.
int ImagePixelWidth(ObjectNumber image);
int ImagePixelHeight(ObjectNumber image);

// Mode -2: the bits per pixel of the source the image was decoded from (32 for images made by
// NewImage); any other mode: the bitmap's depth, 32. 0 for an unknown number.
int ImageBitDepth(ObjectNumber image, int mode = 0);

// The identifier of the decoder that read the image (kPngDecoderId, kBmpDecoderId), 0 for
// images made by NewImage or an unknown number.
std::uint32_t ImageDecoderId(ObjectNumber image);

// Releases the native image and the bitmap and frees the object; -1 frees every image object.
void ReleaseImage(ObjectNumber image);

// Frees every image object; called at program end.
void ReleaseAllImages();

} // namespace sondrel::controls
