#pragma once

// Qt's horizontal alignment for a Cocoa text alignment (NSTextAlignment: left 0, right 1,
// centre 2, justified 3, natural 4). For the classes of this layer.

#include <Qt>

#include "platform/appkit/AppKitTypes.h"

namespace sondrel::appkit {

inline Qt::Alignment qtAlignmentFor(NSInteger alignment) {
    switch (alignment) {
    case 1:
        return Qt::AlignRight | Qt::AlignAbsolute;
    case 2:
        return Qt::AlignHCenter;
    case 3:
        return Qt::AlignJustify;
    case 0:
        return Qt::AlignLeft | Qt::AlignAbsolute;
    default:
        return Qt::AlignLeading;
    }
}

} // namespace sondrel::appkit
