#pragma once

// Printing a text view's whole text: portrait pages with 72-point margins on every side, the text
// laid out at the page's width, through the print dialog (which also offers printing into a PDF
// file). Nothing is printed when the dialog is cancelled or when there is nowhere to print to (no
// printer and no file chosen). The dialog takes a queued ModalAnswer when there is one: Accept
// with one path prints into that PDF file. Main thread.

namespace sondrel::appkit {

class NSTextViewObject;

void printTextView(NSTextViewObject* view);

} // namespace sondrel::appkit
