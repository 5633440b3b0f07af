#pragma once

// What the one-file conversion tests share: scratch input and output folders,
// a log in memory, the batch's cancel flag and outputs, and a way to put a
// stand-in "afconvert" script first in PATH for cases the real converter
// never shows. PATH is restored after each test.

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "app/ConvertOneFile.h"
#include "app/testing/MemoryLog.h"
#include "app/testing/TestFiles.h"

namespace sondrel::app::testing {

class ConversionFixture : public ::testing::Test {
protected:
    void SetUp() override { m_savedPath = std::getenv("PATH"); }
    void TearDown() override { ::setenv("PATH", m_savedPath.c_str(), 1); }

    // Puts a folder holding an executable "afconvert" script first in PATH.
    void useScriptedConverter(const std::string& body) {
        const std::string script = tools.file("afconvert");
        std::ofstream(script) << "#!/bin/sh\n" << body << "\n";
        ::chmod(script.c_str(), 0755);
        ::setenv("PATH", (tools.path().string() + ":" + m_savedPath).c_str(), 1);
    }

    ScratchFolder input;
    ScratchFolder output;
    ScratchFolder tools;
    MemoryLog log;
    std::atomic<std::uint8_t> cancel{0};
    BatchOutputs outputs;
    std::string m_savedPath;
};

} // namespace sondrel::app::testing
