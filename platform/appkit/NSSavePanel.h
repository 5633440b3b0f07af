#pragma once

// NSSavePanel and NSOpenPanel: modal file choosers, the desktop's own dialog where the session
// offers one (through the XDG desktop portal, see PortalFileChooser.h, else through Qt's platform
// theme), Qt's own file dialog otherwise, centred on the key window. A dialog ModalAnswers
// answers is always Qt's own, which the answer drives through its widgets. runModal answers 1 when
// the user chose and 0 when they cancelled; the chosen paths are then `filenames`. The panels are
// objects of their own here, not windows. +savePanel and +openPanel give one shared panel each,
// which keeps its settings between runs, as Cocoa's shared panels do.

#include <optional>
#include <string>
#include <vector>

#include "platform/appkit/AppKitTypes.h"

namespace sondrel::appkit {

inline constexpr NSInteger NSModalResponseOK = 1;
inline constexpr NSInteger NSModalResponseCancel = 0;

class NSSavePanelObject : public objc::Object {
public:
    using Object::Object;

    std::u16string title;
    std::u16string directory; // empty: the home folder
    std::u16string nameFieldValue;
    bool canCreateDirectories = true;
    bool canSelectHiddenExtension = false;
    // Open panels only.
    bool isOpenPanel = false;
    bool canChooseFiles = true;
    bool canChooseDirectories = false;
    bool resolvesAliases = true;
    bool allowsMultipleSelection = false;

    NSInteger runModal();
    const std::vector<std::u16string>& filenames() const { return m_filenames; }

private:
    std::optional<std::vector<std::u16string>> runPortal();

    std::vector<std::u16string> m_filenames;
};

// The shared panels (never deallocated).
NSSavePanelObject* sharedSavePanel();
NSSavePanelObject* sharedOpenPanel();

} // namespace sondrel::appkit
