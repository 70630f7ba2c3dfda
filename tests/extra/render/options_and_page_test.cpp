// The command line and the demo page of the render host.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "demo_page.h"
#include "options.h"
#include "param_lookup.h"

namespace fennrow::test {
namespace {

ParseResult parse(std::vector<const char*> args) {
    args.insert(args.begin(), "fennrow-render");
    return parseOptions(static_cast<int>(args.size()), args.data());
}

TEST(Options, ReadsARenderCommand) {
    const ParseResult r = parse({"--preset", "Deep Sub", "-o", "a.wav", "--png=a.png", "--set", "Tone=0.2@4",
                                 "--set", "12=4", "--notes", "C2:0:1", "--tempo", "98", "--format", "24",
                                 "--block-size", "64", "--sample-rate", "44100"});
    ASSERT_TRUE(r.options) << r.error;
    const Options& o = *r.options;
    EXPECT_EQ(o.mode, Mode::Render);
    EXPECT_EQ(o.presetName, "Deep Sub");
    EXPECT_EQ(o.outWav, "a.wav");
    EXPECT_EQ(o.outPng, "a.png");
    ASSERT_EQ(o.sets.size(), 2u);
    EXPECT_EQ(o.sets[0].name, "Tone");
    EXPECT_EQ(o.sets[0].valueText, "0.2");
    EXPECT_EQ(o.sets[0].beat, 4.0);
    EXPECT_FALSE(o.sets[1].beat);
    EXPECT_EQ(o.notes.size(), 1u);
    EXPECT_EQ(o.tempo, 98.0);
    EXPECT_EQ(o.format, SampleFormat::Pcm24);
    EXPECT_EQ(o.blockSize, 64u);
    EXPECT_EQ(o.sampleRate, 44100.0);
}

TEST(Options, RefusesBadCommandsWithOneLine) {
    const struct {
        std::vector<const char*> args;
        const char* says;
    } cases[] = {
        {{}, "nothing to do"},
        {{"--bogus"}, "unknown option"},
        {{"-o"}, "needs FILE.wav"},
        {{"--tempo", "fast", "-o", "a.wav"}, "--tempo"},
        {{"--tempo", "5", "-o", "a.wav"}, "--tempo"},
        {{"--block-size", "0", "-o", "a.wav"}, "--block-size"},
        {{"--block-size", "64.5", "-o", "a.wav"}, "whole number"},
        {{"--sample-rate", "nan", "-o", "a.wav"}, "--sample-rate"},
        {{"--format", "mp3", "-o", "a.wav"}, "--format"},
        {{"--notes", "C2:0", "-o", "a.wav"}, "KEY:START:LENGTH"},
        {{"--set", "tone", "-o", "a.wav"}, "NAME=VALUE"},
        {{"--set", "tone=1@-2", "-o", "a.wav"}, "beat"},
        {{"--preset", "A", "--state", "s.json", "-o", "a.wav"}, "choose one"},
        {{"--audition", "-o", "a.wav"}, "--audition"},
        {{"--preset-file", "p.json", "--audition", "--notes", "C2:0:1", "-o", "a.wav"}, "choose one"},
        {{"--demo", "d", "--preset", "A"}, "--demo"},
        {{"--quiet=yes", "-o", "a.wav"}, "takes no value"},
    };
    for (const auto& c : cases) {
        const ParseResult r = parse(c.args);
        EXPECT_FALSE(r.options) << c.says;
        EXPECT_NE(r.error.find(c.says), std::string::npos) << r.error;
        EXPECT_EQ(r.error.find('\n'), std::string::npos) << r.error;
    }
}

TEST(Options, HelpListsEveryOption) {
    const ParseResult r = parse({"--help"});
    ASSERT_TRUE(r.options);
    EXPECT_EQ(r.options->mode, Mode::Help);
    for (const char* name :
         {"--plugin", "--preset-file", "--state", "--save-state", "--audition", "--demo"}) {
        EXPECT_NE(usageText().find(name), std::string::npos) << name;
    }
}

TEST(ParamLookup, FindsByIdOrByNameIgnoringCaseAndBlanks) {
    std::vector<ParamInfo> params(3);
    params[0].id = 5;
    params[0].name = "Punch time";
    params[1].id = 12;
    params[1].name = "Arc bars";
    params[2].id = 21;
    params[2].name = "Motion to Tone";
    EXPECT_EQ(findParam(params, "punchTime"), &params[0]);
    EXPECT_EQ(findParam(params, "PUNCH-TIME"), &params[0]);
    EXPECT_EQ(findParam(params, "12"), &params[1]);
    EXPECT_EQ(findParam(params, "motion to tone"), &params[2]);
    EXPECT_EQ(findParam(params, "motionToneDepth"), &params[2]);
    EXPECT_EQ(findParam(params, "arc"), nullptr);
    EXPECT_EQ(findParam(params, "motionTone"), nullptr);
    EXPECT_EQ(findParam(params, "6"), nullptr);
}

TEST(DemoPage, EscapesNamesAndShowsOnePictureAndPlayerPerSound) {
    EXPECT_EQ(fileSlug("Boom 808"), "boom-808");
    EXPECT_EQ(fileSlug("  Acid -- Screamer! "), "acid-screamer");
    EXPECT_EQ(fileSlug("***"), "sound");
    EXPECT_EQ(escapeHtml("<a & \"b\">"), "&lt;a &amp; &quot;b&quot;&gt;");

    DemoPage page;
    page.title = "T";
    page.cards = {{"Rock & <Roll>", "Sub", "a.png", "a.wav", 10, 5}, {"B", "Pluck", "b.png", "b.wav", 10, 5}};
    const std::string html = demoPageHtml(page);
    auto count = [&](const std::string& needle) {
        std::size_t n = 0;
        for (std::size_t at = html.find(needle); at != std::string::npos; at = html.find(needle, at + 1)) ++n;
        return n;
    };
    EXPECT_EQ(count("<img class=\"render\""), 2u);
    EXPECT_EQ(count("<audio controls"), 2u);
    EXPECT_NE(html.find("Rock &amp; &lt;Roll&gt;"), std::string::npos);
    EXPECT_EQ(html.find("<Roll>"), std::string::npos);
    EXPECT_NE(html.find("src=\"b.wav\""), std::string::npos);
}

} // namespace
} // namespace fennrow::test
