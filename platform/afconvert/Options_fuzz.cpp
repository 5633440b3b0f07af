// Fuzzes the command-line parser: the input is split at NUL bytes into arguments.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/afconvert/Options.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> arguments(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            arguments.emplace_back();
        else
            arguments.back() += static_cast<char>(data[i]);
    }
    sondrel::afconvert::Options options;
    const auto status = sondrel::afconvert::parseOptions(arguments, options);
    if (status.ok() && !options.help && options.inputPath.empty())
        __builtin_trap(); // success always names an input
    sondrel::afconvert::DataFormat format;
    (void)sondrel::afconvert::parseDataFormat(arguments.back(), format);
    return 0;
}
