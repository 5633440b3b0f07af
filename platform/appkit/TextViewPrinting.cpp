#include "platform/appkit/TextViewPrinting.h"

#include <memory>

#include <QMarginsF>
#include <QPageLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QTextDocument>
#include <QTimer>

#include "platform/appkit/KeyWindowWidget.h"
#include "platform/appkit/ModalAnswers.h"
#include "platform/appkit/NSTextView.h"
#include "platform/appkit/QtStrings.h"

namespace sondrel::appkit {

void printTextView(NSTextViewObject* view) {
    if (view == nullptr || view->textStorage() == nullptr)
        return;
    Retained<NSTextViewObject> keepAlive = Retained<NSTextViewObject>::retain(view);
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setPageMargins(QMarginsF(72, 72, 72, 72), QPageLayout::Point);

    ModalAnswer answer;
    const bool answered = takeModalAnswer(answer);
    const bool toFile =
        answered && answer.action == ModalAnswer::Action::Accept && !answer.paths.empty();
    if (toFile) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(toQString(answer.paths.front()));
    }
    QPrintDialog dialog(&printer, keyWindowWidget());
    ModalRecord record;
    record.kind = u"print";
    record.title = dialog.windowTitle().toStdU16String();
    recordModal(record);
    if (answered) {
        QTimer::singleShot(0, &dialog, [&dialog, toFile, answer] {
            if (answer.whileShown)
                answer.whileShown();
            if (toFile)
                dialog.accept();
            else
                dialog.reject();
        });
    }
    if (dialog.exec() != QDialog::Accepted || !printer.isValid())
        return;
    if (printer.outputFormat() != QPrinter::PdfFormat && printer.printerName().isEmpty())
        return; // no printer and no file
    std::unique_ptr<QTextDocument> copy = view->textStorage()->cloneDocument();
    copy->print(&printer);
}

} // namespace sondrel::appkit
