#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "document/clip/clip.h"
#include "document/clip/clip_numbers.h"

namespace fennrow::test {
namespace {

TEST(ParseGrid, ReadsNoteValuesAndRefusesEverythingElse) {
    struct Case {
        const char* text;
        std::optional<double> beats;
    };
    const Case cases[] = {
        {"1/16", 0.25},
        {"3/8", 1.5},
        {"04/16", 1.0},
        {"1/1", 4.0},
        {"2147483647/2147483647", 4.0},
        {"1/0", std::nullopt},
        {"0/4", std::nullopt},
        {"-1/4", std::nullopt},
        {"1/-4", std::nullopt},
        {"+1/4", std::nullopt},
        {" 1/4", std::nullopt},
        {"1/4 ", std::nullopt},
        {"1/", std::nullopt},
        {"/4", std::nullopt},
        {"1/2/4", std::nullopt},
        {"1.5/4", std::nullopt},
        {"16", std::nullopt},
        {"", std::nullopt},
        {"2147483648/1", std::nullopt},
        {"1/99999999999999999999", std::nullopt},
        {"-/4", std::nullopt},
        {"0x1/4", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(document::parseGrid(c.text), c.beats) << c.text;
    }
}

TEST(SaturatingTruncate, ClampsAtTheEndsOfThe32BitRange) {
    constexpr double kInf = std::numeric_limits<double>::infinity();
    struct Case {
        double in;
        int32_t out;
    };
    const Case cases[] = {
        {2.9, 2},
        {-2.9, -2},
        {0.5, 0},
        {2147483647.0, 2147483647},
        {2147483647.9, 2147483647},
        {2147483648.0, 2147483647},
        {1e300, 2147483647},
        {kInf, 2147483647},
        {-2147483648.0, -2147483647 - 1},
        {-2147483648.9, -2147483647 - 1},
        {-1e300, -2147483647 - 1},
        {-kInf, -2147483647 - 1},
        {std::nan(""), 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(document::saturatingTruncateToInt32(c.in), c.out) << c.in;
    }
}

TEST(SetExpression, ReplacesInPlaceOrAppends) {
    document::ClipNote note;
    document::NoteExpression a;
    a.value = 1.0;
    document::NoteExpression b;
    b.value = 2.0;
    document::NoteExpression a2;
    a2.value = 3.0;
    setExpression(note, "a", a);
    setExpression(note, "b", b);
    setExpression(note, "a", a2);
    ASSERT_EQ(note.expr.size(), 2u);
    EXPECT_EQ(note.expr[0].name, "a");
    EXPECT_EQ(note.expr[0].expression.value, 3.0);
    EXPECT_EQ(note.expr[1].name, "b");
}

std::vector<std::string> usedIds(const document::Clip& clip) {
    std::vector<std::string> ids;
    for (const document::ExtensionId& id : usedExtensions(clip)) {
        EXPECT_EQ(id.version, 1);
        ids.push_back(id.id);
    }
    return ids;
}

document::ClipNote pitchedNote() {
    document::ClipNote note;
    note.pitch = 40.0;
    return note;
}

TEST(UsedExtensions, FollowsTheContent) {
    struct Case {
        const char* name;
        void (*build)(document::Clip&);
        std::vector<std::string> ids;
    };
    const Case cases[] = {
        {"empty clip", [](document::Clip&) {}, {}},
        {"voiced note",
         [](document::Clip& c) {
             document::ClipNote n;
             n.voice = "v";
             c.notes.push_back(n);
         },
         {"com.brightmoss.voices"}},
        {"tune without voice",
         [](document::Clip& c) {
             document::ClipNote n = pitchedNote();
             n.tune = 0.1;
             c.notes.push_back(n);
         },
         {"com.brightmoss.voices"}},
        {"sound",
         [](document::Clip& c) {
             document::ClipNote n = pitchedNote();
             n.sound = "s";
             c.notes.push_back(n);
         },
         {"com.brightmoss.voices"}},
        {"kept voiced note",
         [](document::Clip& c) {
             document::ClipNote n;
             n.voice = "v";
             n.keptAsWritten = true;
             c.notes.push_back(n);
         },
         {}},
        {"voices list",
         [](document::Clip& c) {
             c.voices.push_back({"v", document::jsonString("Bass")});
         },
         {"com.brightmoss.voices"}},
        {"sounds list",
         [](document::Clip& c) {
             c.sounds.push_back({"s", document::jsonString("Sub")});
         },
         {"com.brightmoss.voices"}},
        {"swing voice",
         [](document::Clip& c) {
             document::SwingSetting s;
             s.voice = "v";
             c.swing.push_back(s);
         },
         {"com.brightmoss.voices"}},
        {"kept swing voice",
         [](document::Clip& c) {
             document::SwingSetting s;
             s.voice = "v";
             s.keptAsWritten = true;
             c.swing.push_back(s);
         },
         {}},
        {"lane voice",
         [](document::Clip& c) {
             document::Lane l;
             l.target = "t";
             l.voice = "v";
             c.lanes.push_back(l);
         },
         {"com.brightmoss.voices"}},
        {"lane instance",
         [](document::Clip& c) {
             document::Lane l;
             l.target = "t";
             l.instance = "i";
             c.lanes.push_back(l);
         },
         {}},
        {"rand vel and nudge only",
         [](document::Clip& c) {
             document::ClipNote n = pitchedNote();
             n.rand = document::NoteRandom{};
             n.rand->vel = 0.2;
             c.notes.push_back(n);
         },
         {}},
        {"rand pan",
         [](document::Clip& c) {
             document::ClipNote n = pitchedNote();
             n.rand = document::NoteRandom{};
             n.rand->pan = 0.1;
             c.notes.push_back(n);
         },
         {"com.brightmoss.note-random"}},
        {"slide false", [](document::Clip& c) { c.notes.push_back(pitchedNote()); }, {}},
        {"all four, in reverse note order",
         [](document::Clip& c) {
             document::ClipNote slide = pitchedNote();
             slide.slide = true;
             document::ClipNote rand = pitchedNote();
             rand.rand = document::NoteRandom{};
             rand.rand->params.push_back({"cutoff", document::jsonNumber(0.1)});
             document::ClipNote set = pitchedNote();
             set.add.push_back({"cutoff", document::jsonNumber(0.1)});
             document::ClipNote voiced;
             voiced.voice = "v";
             c.notes = {slide, rand, set, voiced};
         },
         {"com.brightmoss.voices", "com.brightmoss.per-note-params", "com.brightmoss.note-random",
          "com.brightmoss.slide"}},
    };
    for (const Case& c : cases) {
        document::Clip clip;
        c.build(clip);
        EXPECT_EQ(usedIds(clip), c.ids) << c.name;
    }
}

} // namespace
} // namespace fennrow::test
