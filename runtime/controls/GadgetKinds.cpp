#include "runtime/controls/GadgetKinds.h"

#include "runtime/controls/OptionGadget.h"
#include "runtime/windowing/Gadget.h"

namespace sondrel::controls {
namespace {

void gadgetCreated(std::int32_t kind) {
    if (kind != OptionGadgetKind)
        EndOptionGroup();
}

} // namespace

void InitGadgetKinds() {
    windowing::SetGadgetCreatedHook(&gadgetCreated);
}

void EndGadgetKinds() {
    windowing::FreeGadgetObject(-1);
    EndOptionGroup();
}

} // namespace sondrel::controls
