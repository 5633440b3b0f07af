#pragma once

// The desktop's own file dialog through the XDG desktop portal: the FileChooser interface of
// org.freedesktop.portal.Desktop on the session bus, which every current desktop (and the
// sandboxes) serve with the dialog the user knows. Used by the open and save panels before Qt's
// dialogs (see NSSavePanel.h).
//
// A panel opens at a folder it is given. The portal takes that folder for an open dialog only
// from interface version 4 on (and can choose folders only from version 3); an older portal, or
// none, gives nothing here and the caller shows another dialog. While the portal's dialog is up,
// the application's windows take no input, as with any modal dialog. Main thread only.

#include <optional>
#include <string>
#include <vector>

#include <QString>

class QWidget;

namespace sondrel::appkit {

struct PortalRequest {
    enum class Kind { OpenFiles, OpenFolder, Save };
    Kind kind = Kind::OpenFiles;
    QString title;
    std::u16string folder; // where the dialog opens; empty: where the portal likes
    std::u16string name;   // saving: the name proposed
    bool multiple = false; // opening files: several may be chosen
    QWidget* parent = nullptr;
};

// The chosen paths (empty when the user cancelled), or nothing when the portal could not show the
// dialog as asked: none on the session bus, too old a version, or a failure of its own.
std::optional<std::vector<std::u16string>> chooseWithPortal(const PortalRequest& request);

} // namespace sondrel::appkit
