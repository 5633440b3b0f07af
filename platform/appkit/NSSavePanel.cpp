#include "platform/appkit/NSSavePanel.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QTimer>

#include "platform/appkit/Foundation.h"
#include "platform/appkit/KeyWindowWidget.h"
#include "platform/appkit/MainThread.h"
#include "platform/appkit/ModalAnswers.h"
#include "platform/appkit/NSURL.h"
#include "platform/appkit/PortalFileChooser.h"
#include "platform/appkit/QtStrings.h"
#include "platform/objc/ClassName.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/NSString.h"

namespace sondrel::appkit {
namespace {

QLineEdit* nameField(QFileDialog& dialog) {
    return dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
}

// Chooses the answer's paths through the dialog's own folder and name field, then accepts as
// the user's Open or Save button would. Paths the dialog would refuse with a message of its own
// (a file that is not there) cancel instead, so nothing waits for a person; a save into an
// existing file counts as confirmed.
void chooseFromInside(QFileDialog& dialog, const ModalAnswer& answer) {
    QTimer::singleShot(0, &dialog, [&dialog, answer] {
        if (answer.whileShown)
            answer.whileShown();
        if (answer.action != ModalAnswer::Action::Accept || answer.paths.empty()) {
            dialog.reject();
            return;
        }
        const QString first = toQString(answer.paths.front());
        const bool saving = dialog.acceptMode() == QFileDialog::AcceptSave;
        for (const std::u16string& path : answer.paths) {
            const QFileInfo info(toQString(path));
            const bool wanted = dialog.fileMode() == QFileDialog::Directory ? info.isDir()
                                : saving ? !info.isDir() && info.absoluteDir().exists()
                                         : info.isFile();
            if (!wanted) {
                dialog.reject();
                return;
            }
        }
        if (dialog.fileMode() == QFileDialog::Directory) {
            dialog.setDirectory(first);
            dialog.selectFile(QString());
        } else {
            dialog.setDirectory(QFileInfo(first).absolutePath());
            QStringList names;
            for (const std::u16string& path : answer.paths)
                names << QLatin1Char('"') + QFileInfo(toQString(path)).fileName() +
                             QLatin1Char('"');
            if (QLineEdit* field = nameField(dialog))
                field->setText(names.size() == 1 ? QFileInfo(first).fileName() : names.join(' '));
            else
                dialog.selectFile(first);
            dialog.setOption(QFileDialog::DontConfirmOverwrite);
        }
        // What the dialog's Open or Save button does (accept() is protected here).
        QMetaObject::invokeMethod(&dialog, "accept", Qt::DirectConnection);
        if (dialog.isVisible())
            dialog.reject();
    });
}

} // namespace

// The desktop's own dialog through the portal; nothing when the portal cannot show it.
std::optional<std::vector<std::u16string>> NSSavePanelObject::runPortal() {
    PortalRequest request;
    request.kind = !isOpenPanel                              ? PortalRequest::Kind::Save
                   : canChooseDirectories && !canChooseFiles ? PortalRequest::Kind::OpenFolder
                                                             : PortalRequest::Kind::OpenFiles;
    request.title = toQString(title);
    request.folder = directory.empty() ? QDir::homePath().toStdU16String() : directory;
    request.name = nameFieldValue;
    request.multiple = allowsMultipleSelection;
    request.parent = keyWindowWidget();
    std::optional<std::vector<std::u16string>> chosen = chooseWithPortal(request);
    if (chosen) {
        ModalRecord record;
        record.kind = isOpenPanel ? u"open" : u"save";
        record.title = title;
        record.directory = request.folder;
        record.name = nameFieldValue;
        record.choosesFiles = !isOpenPanel || canChooseFiles;
        record.choosesDirectories = isOpenPanel && canChooseDirectories;
        record.multipleSelection = isOpenPanel && allowsMultipleSelection;
        recordModal(record);
    }
    return chosen;
}

NSInteger NSSavePanelObject::runModal() {
    ModalAnswer answer;
    const bool answered = takeModalAnswer(answer);
    m_filenames.clear();
    if (!answered) {
        if (std::optional<std::vector<std::u16string>> chosen = runPortal()) {
            for (const std::u16string& path : *chosen)
                m_filenames.push_back(QDir::cleanPath(toQString(path)).toStdU16String());
            return m_filenames.empty() ? NSModalResponseCancel : NSModalResponseOK;
        }
    }
    QFileDialog dialog(keyWindowWidget(), toQString(title));
    // The desktop's own dialog where the session offers one through Qt's platform theme;
    // Qt's own where it offers none, and whenever the program answers the dialog itself (its
    // tests), which it does through the widgets of Qt's own.
    dialog.setOption(QFileDialog::DontUseNativeDialog, answered);
    dialog.setOption(QFileDialog::ReadOnly, !canCreateDirectories);
    dialog.setOption(QFileDialog::DontResolveSymlinks, !resolvesAliases);
    if (!isOpenPanel) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
    } else if (canChooseDirectories && !canChooseFiles) {
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
    } else {
        dialog.setFileMode(allowsMultipleSelection ? QFileDialog::ExistingFiles
                                                   : QFileDialog::ExistingFile);
    }
    // Without a folder given, the home folder: the working folder is the program's own.
    dialog.setDirectory(directory.empty() ? QDir::homePath() : toQString(directory));
    dialog.selectFile(toQString(nameFieldValue));
    ModalRecord record;
    record.kind = isOpenPanel ? u"open" : u"save";
    record.title = title;
    record.directory = dialog.directory().absolutePath().toStdU16String();
    const QLineEdit* field = nameField(dialog);
    record.name = field != nullptr ? field->text().toStdU16String() : nameFieldValue;
    record.choosesFiles = !isOpenPanel || canChooseFiles;
    record.choosesDirectories = isOpenPanel && canChooseDirectories;
    record.multipleSelection = isOpenPanel && allowsMultipleSelection;
    recordModal(record);
    if (answered)
        chooseFromInside(dialog, answer);
    if (dialog.exec() != QDialog::Accepted)
        return NSModalResponseCancel;
    for (const QString& file : dialog.selectedFiles())
        m_filenames.push_back(QDir::cleanPath(file).toStdU16String());
    return m_filenames.empty() ? NSModalResponseCancel : NSModalResponseOK;
}

NSSavePanelObject* sharedSavePanel() {
    static auto* panel = static_cast<NSSavePanelObject*>(objc::createInstance("NSSavePanel"_class));
    return panel;
}

NSSavePanelObject* sharedOpenPanel() {
    static auto* panel = [] {
        auto* open = static_cast<NSSavePanelObject*>(objc::createInstance("NSOpenPanel"_class));
        if (open != nullptr)
            open->isOpenPanel = true;
        return open;
    }();
    return panel;
}

namespace {

using Panel = NSSavePanelObject;

id savePanel(Class, SEL) {
    return sharedSavePanel();
}
id openPanel(Class, SEL) {
    return sharedOpenPanel();
}
void setTitle(Panel* self, SEL, id title) {
    self->title = objc::nativeStringText(title);
}
void setCanCreateDirectories(Panel* self, SEL, BOOL flag) {
    self->canCreateDirectories = flag;
}
void setCanSelectHiddenExtension(Panel* self, SEL, BOOL flag) {
    self->canSelectHiddenExtension = flag;
}
void setDirectoryURL(Panel* self, SEL, id url) {
    self->directory = urlPath(url);
}
void setDirectory(Panel* self, SEL, id path) {
    self->directory = objc::nativeStringText(path);
}
void setNameFieldStringValue(Panel* self, SEL, id name) {
    self->nameFieldValue = objc::nativeStringText(name);
}
// The form of older systems: folder (nil for the current one) and name given to the run.
NSInteger runModalForDirectory(Panel* self, SEL, id directory, id file) {
    self->directory = objc::nativeStringText(directory);
    self->nameFieldValue = objc::nativeStringText(file);
    return self->runModal();
}
id filename(Panel* self, SEL) {
    return self->filenames().empty() ? nullptr
                                     : objc::autoreleasedNativeString(self->filenames().front());
}
id filenames(Panel* self, SEL) {
    return autoreleasedStringArray(self->filenames());
}
void setCanChooseFiles(Panel* self, SEL, BOOL flag) {
    self->canChooseFiles = flag;
}
void setCanChooseDirectories(Panel* self, SEL, BOOL flag) {
    self->canChooseDirectories = flag;
}
void setResolvesAliases(Panel* self, SEL, BOOL flag) {
    self->resolvesAliases = flag;
}
void setAllowsMultipleSelection(Panel* self, SEL, BOOL flag) {
    self->allowsMultipleSelection = flag;
}

// The settings are plain values; the dialog is shown on the main thread.
const objc::ClassRegistration saveRegistration{
    objc::ClassDefinition("NSSavePanel", "NSObject", objc::factoryFor<NSSavePanelObject>())
        .classMethod("savePanel", &savePanel)
        .instanceMethod("setTitle:", &setTitle)
        .instanceMethod<&Panel::title>("title")
        .instanceMethod("setCanCreateDirectories:", &setCanCreateDirectories)
        .instanceMethod("setCanSelectHiddenExtension:", &setCanSelectHiddenExtension)
        .instanceMethod("setDirectoryURL:", &setDirectoryURL)
        .instanceMethod("setDirectory:", &setDirectory)
        .instanceMethod("setNameFieldStringValue:", &setNameFieldStringValue)
        .instanceMethod<&Panel::runModal, OnMainThread>("runModal")
        .instanceMethod<&runModalForDirectory, OnMainThread>("runModalForDirectory:file:")
        .instanceMethod("filename", &filename)
        .instanceMethod("filenames", &filenames)};

const objc::ClassRegistration openRegistration{
    objc::ClassDefinition("NSOpenPanel", "NSSavePanel")
        .classMethod("openPanel", &openPanel)
        .instanceMethod("setCanChooseFiles:", &setCanChooseFiles)
        .instanceMethod("setCanChooseDirectories:", &setCanChooseDirectories)
        .instanceMethod("setResolvesAliases:", &setResolvesAliases)
        .instanceMethod("setAllowsMultipleSelection:", &setAllowsMultipleSelection)};

} // namespace
} // namespace sondrel::appkit
