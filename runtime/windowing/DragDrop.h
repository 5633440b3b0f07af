#pragma once

// Drag and drop: things dragged from other programs (the file manager above all) onto a window's
// content view or a gadget.
//
// A target accepts drops per format. Native drag callbacks of every runtime view go to the
// class RTDragDrop, which answers the drag and, when a drop completes, builds a drop record and
// posts WindowDropEvent or GadgetDropEvent with the record as the event's detail. A drag that
// offers several formats is delivered in the first of image, file names, text. The record is
// held from the WaitEvent call that returns its event until the next WaitEvent call, which frees
// it; DroppedFileNames reads the held record.

#include <cstdint>
#include <vector>

#include "platform/objc/Object.h"
#include "runtime/core/ObjectRegistry.h"
#include "runtime/core/Text.h"

namespace sondrel::windowing {

// Drop formats (four-character codes).
enum DropFormat : std::uint32_t {
    DropText = 0x54455854,  // "TEXT"
    DropFiles = 0x68667320, // "hfs "
    DropImage = 0x50494354, // "PICT"
};

struct DropRecord {
    std::uint32_t format = 0;
    std::uint32_t action = 0; // 16 if the source allows moving, else 2 if linking, else 1
    std::int32_t x = 0;       // in the target view, from its left
    std::int32_t y = 0;       // in the target view, from its top
    objc::id text = nullptr;  // DropText: the text; DropFiles: the paths joined by "\n"
    objc::id image = nullptr; // DropImage: an NSImage
};

// Registers (enable non-zero) or unregisters the format on the gadget's main view or the
// window's content view; unknown objects and formats are ignored.
void AcceptGadgetDrops(core::ObjectNumber gadget, std::uint32_t format, std::int32_t enable);
void AcceptWindowDrops(core::ObjectNumber window, std::uint32_t format, std::int32_t enable);

// The file names of the held drop (one path per line), or the empty text when no drop is held or
// it is not a file-name drop.
core::Text DroppedFileNames();

// Posts a drop of file names on the gadget of the window, as if they were dragged there from a
// file manager (the program's files given on its command line or by a later start arrive so).
// False when no event could be queued.
bool PostFileDrop(core::ObjectNumber gadget, core::ObjectNumber window,
                  const std::vector<core::Text>& paths);

// Releases the record's text and image and frees it; null is ignored.
void FreeDropRecord(DropRecord* record);

namespace detail {
// The event loop's held drop record: set when WaitEvent returns a drop event, freed by the next.
void HoldDropRecord(DropRecord* record);
void FreeHeldDropRecord();
} // namespace detail

} // namespace sondrel::windowing
