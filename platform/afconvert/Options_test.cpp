#include <gtest/gtest.h>

#include "platform/afconvert/Options.h"

namespace sondrel::afconvert {
namespace {

Options parsed(const std::vector<std::string>& args) {
    Options o;
    const Status s = parseOptions(args, o);
    EXPECT_TRUE(s.ok()) << s.message();
    return o;
}

std::string failure(const std::vector<std::string>& args) {
    Options o;
    const Status s = parseOptions(args, o);
    EXPECT_FALSE(s.ok());
    return s.message();
}

TEST(Options, SondrelsArgumentTexts) {
    const Options aac = parsed({"-v", "-f", "caff", "-d", "aac", "--no-filler", "-s", "3", "-b",
                                "320000", "/music/my song.mp3", "/out/my.caf"});
    EXPECT_TRUE(aac.verbose);
    EXPECT_FALSE(aac.progressLines);
    EXPECT_TRUE(aac.noFiller);
    EXPECT_EQ(aac.fileType, FileType::Caf);
    EXPECT_EQ(aac.dataFormat->kind, DataKind::Aac);
    EXPECT_EQ(aac.strategy, AacStrategy::Variable);
    EXPECT_EQ(aac.bitRate, 320000);
    EXPECT_EQ(aac.inputPath, "/music/my song.mp3");
    EXPECT_EQ(aac.outputPath, "/out/my.caf");

    const Options ima =
        parsed({"-v", "-f", "caff", "-d", "ima4", "--no-filler", "-c", "1", "a.wav", "a.caf"});
    EXPECT_EQ(ima.dataFormat->kind, DataKind::Ima4);
    EXPECT_EQ(ima.channels, 1);
    EXPECT_EQ(ima.strategy, AacStrategy::Average); // the default
    EXPECT_TRUE(parsed({"--progress", "-d", "ima4", "a.wav"}).progressLines);
    EXPECT_EQ(parsed({"-j", "2", "-d", "ima4", "a.wav"}).jobs, 2);
    EXPECT_EQ(parsed({"-d", "ima4", "a.wav"}).jobs, 0); // every online CPU
    EXPECT_NE(failure({"-j", "0", "-d", "ima4", "a.wav"}).find("-j"), std::string::npos);

    // A program asks through the environment, leaving the command line as it is;
    // -j on the command line wins, and values that do not parse are ignored.
    Options asked = parsed({"-d", "ima4", "a.wav"});
    applyEnvironment("1", "3", "/pool", asked);
    EXPECT_TRUE(asked.progressLines);
    EXPECT_EQ(asked.jobs, 3);
    EXPECT_EQ(asked.corePool, "/pool");
    Options given = parsed({"-j", "2", "-d", "ima4", "a.wav"});
    applyEnvironment("0", "3", nullptr, given);
    EXPECT_FALSE(given.progressLines);
    EXPECT_EQ(given.jobs, 2);
    Options odd = parsed({"-d", "ima4", "a.wav"});
    applyEnvironment(nullptr, "three", "pool", odd);
    EXPECT_EQ(odd.jobs, 0);
    EXPECT_EQ(odd.corePool, ""); // a semaphore's name starts with a slash
    EXPECT_EQ(parsed({"--aac-encoder", "ffmpeg", "-d", "aac", "a.wav"}).aacEncoder,
              AacEncoderChoice::Ffmpeg);
    EXPECT_NE(failure({"--aac-encoder", "best", "-d", "aac", "a.wav"}).find("own or ffmpeg"),
              std::string::npos);
}

TEST(Options, FormsOrderAndQuoting) {
    const Options o =
        parsed({"in.aif", "--data='LEI24'@22050", "--file", "'WAVE'", "-o", "x.wav", "--channels=2",
                "-ue", "vbrq", "100", "-u", "pgcm", "2", "-q", "127", "-r", "0"});
    EXPECT_EQ(o.fileType, FileType::Wave);
    EXPECT_EQ(o.dataFormat->pcm, (PcmFormat{24, false, true, false}));
    EXPECT_EQ(o.dataFormat->sampleRate, 22050);
    EXPECT_EQ(o.outputPath, "x.wav");
    EXPECT_EQ(o.channels, 2);
    EXPECT_EQ(o.variableQuality, 100);
    EXPECT_EQ(o.quality, 127);
    EXPECT_EQ(o.resamplerQuality, 0);
    ASSERT_EQ(o.warnings.size(), 1u); // pgcm means nothing here
    EXPECT_NE(o.warnings[0].find("pgcm"), std::string::npos);

    EXPECT_EQ(parsed({"-d", "aac ", "--", "-odd name.wav"}).inputPath, "-odd name.wav");
    EXPECT_EQ(parsed({"-d", "BEF64#1", "a"}).dataFormat->pcm, (PcmFormat{64, true, true, true}));
    EXPECT_EQ(parsed({"-d", "ima4@44100.0#64", "a"}).dataFormat->sampleRate, 44100);
    EXPECT_TRUE(parsed({"-h", "--bogus"}).help);
}

TEST(Options, ErrorsSayWhatIsWrong) {
    EXPECT_EQ(failure({"a.wav"}), "no output file or data format specified");
    EXPECT_EQ(failure({"-x", "-d", "aac", "a"}), "unknown option -x");
    EXPECT_EQ(failure({"-d", "aac", "a", "-b"}), "missing value for option -b");
    EXPECT_EQ(failure({"-d", "aach", "a"}), "data format 'aach' (HE-AAC) cannot be made here");
    EXPECT_EQ(failure({"-d", "mp3x", "a"}), "unknown data format 'mp3x'");
    EXPECT_NE(failure({"-d", "aac#512", "a"}).find("1024 frames per packet"), std::string::npos);
    EXPECT_NE(failure({"-d", "LEI16@fast", "a"}).find("invalid sample rate"), std::string::npos);
    EXPECT_NE(failure({"-f", "mp3", "-d", "aac", "a"}).find("unknown file type 'mp3'"),
              std::string::npos);
    EXPECT_NE(failure({"-d", "aac", "-s", "4", "a"}).find("invalid value '4' for -s"),
              std::string::npos);
    EXPECT_EQ(failure({"-d", "aac", "a", "b", "c"}),
              "too many file names (one input and at most one output)");
    EXPECT_EQ(failure({"-d", "aac"}), "no input file given");
}

TEST(Options, LayoutsComplexityAndHelpTopics) {
    const Options once = parsed({"-d", "aac", "-l", "'MPEG_5_1_A'", "a"});
    EXPECT_FALSE(once.inputLayout);
    ASSERT_TRUE(once.outputLayout);
    EXPECT_EQ(once.outputLayout->tag, 0x00790006u);
    const Options twice = parsed(
        {"-d", "aac", "--channel-layout=kAudioChannelLayoutTag_AAC_5_1", "-l", "stereo", "a"});
    EXPECT_EQ(twice.inputLayout->tag, 0x007C0006u);
    EXPECT_EQ(twice.outputLayout->name, "Stereo");
    EXPECT_NE(failure({"-d", "aac", "-l", "mono", "-l", "mono", "-l", "mono", "a"})
                  .find("more than twice"),
              std::string::npos);
    EXPECT_NE(failure({"-d", "aac", "-l", "MPEG_9_1", "a"}).find("unknown channel layout"),
              std::string::npos);

    EXPECT_EQ(parsed({"-d", "aac", "--src-complexity", "'bats'", "a"}).resamplerComplexity,
              ResamplerComplexity::Mastering);
    EXPECT_EQ(parsed({"-d", "aac", "--src-complexity=line", "a"}).resamplerComplexity,
              ResamplerComplexity::Line);
    EXPECT_NE(failure({"-d", "aac", "--src-complexity", "best", "a"}).find("line, norm or bats"),
              std::string::npos);

    const Options soundCheck = parsed({"-d", "aac", "--soundcheck-generate", "a"});
    ASSERT_EQ(soundCheck.warnings.size(), 1u);
    EXPECT_NE(soundCheck.warnings[0].find("Sound Check"), std::string::npos);

    const Options list = parsed({"-hf"});
    EXPECT_TRUE(list.help && list.listFileTypes);
    EXPECT_EQ(helpText(list), fileTypesText());
    EXPECT_EQ(helpText(parsed({"-h"})), usageText());
}

TEST(ChannelLayouts, OrdersAndSpeakers) {
    ChannelLayout d, a, c71, plain;
    ASSERT_TRUE(parseChannelLayout("MPEG_5_1_D", d).ok());
    ASSERT_TRUE(parseChannelLayout("mpeg_5_1_a", a).ok());
    ASSERT_TRUE(parseChannelLayout("MPEG_7_1_C", c71).ok());
    ASSERT_TRUE(parseChannelLayout("5.1", plain).ok());
    EXPECT_EQ(d.speakerNames(), "C L R Ls Rs LFE");
    EXPECT_EQ(c71.speakerNames(), "L R C LFE Ls Rs Rls Rrs");
    EXPECT_EQ(d.mask(), 0x3Fu);
    EXPECT_TRUE(a.inWaveOrder());
    EXPECT_FALSE(d.inWaveOrder());
    EXPECT_TRUE(d.codecOrder);
    EXPECT_EQ(plain.tag, 0u);
    // WAV position k comes from channel map[k]: L is D's channel 1, LFE its 5.
    EXPECT_EQ(d.waveOrderMap(), (std::vector<int>{1, 2, 0, 5, 3, 4}));
    // A 5.1 source with side surrounds keeps them.
    EXPECT_EQ(a.matchingSurround(0x60F).mask(), 0x60Fu);
    EXPECT_EQ(a.matchingSurround(0x3F).mask(), 0x3Fu);
    EXPECT_TRUE(sameSpeakers(0x3F, 0x60F));
    EXPECT_FALSE(sameSpeakers(0x3F, 0x63F));
    EXPECT_EQ(namedLayout(0x3F, false)->name, "MPEG_5_1_A");
    EXPECT_EQ(namedLayout(0x3F, true)->name, "MPEG_5_1_D");
    EXPECT_EQ(namedLayout(c71.mask(), false)->name, "7.1");
}

TEST(FileTypes, WhatEachTypeHoldsAndItsDefaults) {
    DataFormat aac, ima, le16, ui8;
    ASSERT_TRUE(parseDataFormat("aac", aac).ok());
    ASSERT_TRUE(parseDataFormat("ima4", ima).ok());
    ASSERT_TRUE(parseDataFormat("LEI16", le16).ok());
    ASSERT_TRUE(parseDataFormat("UI8", ui8).ok());
    EXPECT_TRUE(checkFileCanHold(FileType::Caf, aac).ok());
    EXPECT_EQ(checkFileCanHold(FileType::Wave, aac).message(), "a WAVE file cannot hold aac data");
    EXPECT_FALSE(checkFileCanHold(FileType::Aiff, le16).ok());
    EXPECT_TRUE(checkFileCanHold(FileType::Aifc, ima).ok());
    EXPECT_TRUE(checkFileCanHold(FileType::Wave, ui8).ok());
    EXPECT_FALSE(checkFileCanHold(FileType::Caf, ui8).ok()); // CAF integers are signed
    EXPECT_EQ(fileTypeForPath("/a.b/song.M4A"), FileType::M4af);
    EXPECT_EQ(fileTypeForPath("/a.b/song"), std::nullopt);
    EXPECT_EQ(defaultDataFormat(FileType::Adts, std::nullopt).kind, DataKind::Aac);
    EXPECT_EQ(defaultDataFormat(FileType::Wave, PcmFormat{24, false, true, true}).pcm,
              (PcmFormat{24, false, true, false}));
    EXPECT_EQ(defaultDataFormat(FileType::Wave, PcmFormat{8, false, true, false}).pcm.isSigned,
              false);
    // -hf lists each type with what it holds, from the same rules.
    const std::string list = fileTypesText();
    EXPECT_NE(
        list.find("'caff' = Core Audio Format (.caf, .caff)\n"
                  "      data formats: aac alac ima4 ulaw alaw lpcm\n"
                  "      lpcm: I8 BEI16 LEI16 BEI24 LEI24 BEI32 LEI32 BEF32 LEF32 BEF64 LEF64\n"),
        std::string::npos)
        << list;
    EXPECT_NE(list.find("'adts' = AAC ADTS (.aac, .adts)\n      data formats: aac\n"),
              std::string::npos);
    EXPECT_NE(list.find("lpcm: UI8 LEI16 LEI24 LEI32 LEF32 LEF64\n"), std::string::npos);
}

} // namespace
} // namespace sondrel::afconvert
