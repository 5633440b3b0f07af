#include "app/LogTexts.h"

#include "runtime/core/TextFileName.h"

namespace sondrel::app {

core::Text LogName(core::TextView name) {
    core::Text shown = core::FileNameForDisplay(name);
    for (char16_t& unit : shown) {
        if (unit == u'\n' || unit == u'\r') {
            unit = u'?';
        }
    }
    return shown;
}

core::Text ConvertingText(std::int64_t fileNumber, std::int64_t fileCount, core::TextView name) {
    core::Text text = u" \u2022 Converting (";
    text += core::NumberText(fileNumber);
    text += u'/';
    text += core::NumberText(fileCount);
    text += u") \"";
    text += LogName(name);
    text += u'"';
    return text;
}

core::Text ProgressLine(std::int64_t fileNumber, std::int64_t fileCount, core::TextView name) {
    return ConvertingText(fileNumber, fileCount, name) + u" " + kProgressEnd;
}

core::Text DoneLine(std::int64_t fileNumber, std::int64_t fileCount, core::TextView name) {
    return ConvertingText(fileNumber, fileCount, name) + u" - Done!\n";
}

core::Text ErrorLine(std::int64_t fileNumber, std::int64_t fileCount, core::TextView name) {
    return ConvertingText(fileNumber, fileCount, name) + u" - Error!\n";
}

core::Text DirectoryLine(core::TextView folder) {
    return core::Text(u"Directory - \"") + LogName(folder) + u"\"\n";
}

} // namespace sondrel::app
