#include "archive/package_reader.h"
#include "archive/sha256.h"
#include "document/json_parser.h"
#include "plugin/factory_sounds.h"
#include "presets/sound_loader.h"
#include "presets/sound_writer.h"
#include "stored_zip.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace fennrow::test {
namespace {

struct Loaded {
    std::optional<engine::SoundSnapshot> sound;
    document::InstanceDocument retained;
    document::DiagnosticList findings;
};

Loaded load(const std::string& bytes, document::InstanceDocument retained = {}) {
    Loaded result{std::nullopt, std::move(retained), {}};
    result.sound = presets::loadSound(result.retained, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                      bytes.size(), result.findings);
    return result;
}

std::string save(const Loaded& loaded) {
    return presets::writeSoundDocument(loaded.retained, loaded.sound.value_or(engine::defaultSoundSnapshot()),
                                       std::nullopt);
}

bool hasFinding(const document::DiagnosticList& list, const std::string& code, const std::string& path) {
    for (const document::Diagnostic& d : list) {
        if (d.code == code && d.path == path) {
            return true;
        }
    }
    return false;
}

std::string shortest(float value) {
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return std::string(buffer, end);
}

std::string curveText(const float (&points)[engine::kCurvePoints]) {
    std::string text = "[";
    for (int i = 0; i < engine::kCurvePoints; ++i) {
        text += (i ? "," : "") + shortest(points[i]);
    }
    return text + "]";
}

std::string document(const std::string& members) {
    return R"({"kind":"instance","spec":"1.0","plugin":"fennrow")" + members + "}";
}

TEST(SoundDocument, AFreshSoundSavesTheDefaultDocumentExactly) {
    const engine::CurveSet curves = engine::defaultCurveSet();
    const std::string expected =
        R"({"kind":"instance","spec":"1.0","plugin":"fennrow","formatVersion":1,"scope":"complete",)"
        R"("params":{"weight":0.6,"drive":0.65,"tone":0.5,"punch":0.3,"punchTime":0.06,"shape":0.4,"motion":0,)"
        R"("motionRate":1,"glide":0.05,"spread":0,"arcAmount":0,"arcBars":8,"arcDrift":1,"pluck":0,)"
        R"("arcShapeDepth":1,"arcToneDepth":1,"arcDriveDepth":1,"arcMotionDepth":1,"arcSpreadDepth":0,)"
        R"("legato":1,"motionToneDepth":1,"motionDriveDepth":0,"motionLevelDepth":0},)"
        R"("state":{"motion":)" +
        curveText(curves.points[0]) + R"(,"motionDrive":)" + curveText(curves.points[1]) +
        R"(,"motionLevel":)" + curveText(curves.points[2]) + R"(,"arcs":{"Shape":)" +
        curveText(curves.points[3]) + R"(,"Tone":)" + curveText(curves.points[4]) + R"(,"Drive":)" +
        curveText(curves.points[5]) + R"(,"Motion":)" + curveText(curves.points[6]) + R"(,"Spread":)" +
        curveText(curves.points[7]) + "}}}";
    const std::string saved = presets::writeSoundDocument(document::InstanceDocument{},
                                                          engine::defaultSoundSnapshot(), std::nullopt);
    EXPECT_EQ(saved, expected);
    EXPECT_EQ(saved.find_first_of(" \n"), std::string::npos);
    EXPECT_NE(saved.find(R"("motion":[-1,)"), std::string::npos);
}

TEST(SoundDocument, SavingIsStableAndLoadThenSaveGivesTheSameBytes) {
    for (const plugin::FactorySound& factory : plugin::factorySounds()) {
        const std::string first =
            presets::writeSoundDocument(document::InstanceDocument{}, factory.sound, 0xABCDEFull);
        const Loaded loaded = load(first);
        ASSERT_TRUE(loaded.sound.has_value()) << factory.name;
        EXPECT_EQ(std::memcmp(&*loaded.sound, &factory.sound, sizeof(engine::SoundSnapshot)), 0)
            << factory.name;
        EXPECT_EQ(save(loaded), first) << factory.name;
        EXPECT_EQ(save(loaded), save(loaded)) << factory.name;
    }
    const std::string wobble =
        presets::writeSoundDocument({}, plugin::findFactorySound("Wobble")->sound, std::nullopt);
    EXPECT_NE(wobble.find(R"("motionRate":0.33333334)"), std::string::npos);
}

TEST(SoundDocument, ParameterValuesAreRoundedAndClampedOnLoad) {
    const struct {
        const char* member;
        float engine::SoundParams::*slot;
        float expected;
    } cases[] = {
        {R"("weight":2)", &engine::SoundParams::weight, 1.0f},
        {R"("weight":-nan)", &engine::SoundParams::weight, 0.6f},
        {R"("weight":-inf)", &engine::SoundParams::weight, 0.0f},
        {R"("weight":1e300)", &engine::SoundParams::weight, 1.0f},
        {R"("weight":"heavy")", &engine::SoundParams::weight, 0.6f},
        {R"("weight":null)", &engine::SoundParams::weight, 0.6f},
        {R"("arcBars":2.5)", &engine::SoundParams::arcBars, 3.0f},
        {R"("arcBars":-4)", &engine::SoundParams::arcBars, 1.0f},
        {R"("legato":0.4)", &engine::SoundParams::legato, 0.0f},
        {R"("legato":0.5)", &engine::SoundParams::legato, 1.0f},
        {R"("punchTime":0.001)", &engine::SoundParams::punchTime, 0.01f},
        {R"("glide":0.25)", &engine::SoundParams::glide, 0.25f},
    };
    for (const auto& c : cases) {
        const Loaded loaded = load(document(std::string(R"(,"params":{)") + c.member + "}"));
        ASSERT_TRUE(loaded.sound.has_value()) << c.member;
        EXPECT_EQ(loaded.sound->params.*c.slot, c.expected) << c.member;
    }
}

TEST(SoundDocument, CurvesOfTheWrongShapeStayAtTheirDefaults) {
    std::string sixtyThree = "[";
    std::string withText = "[";
    std::string withNan = "[";
    for (int i = 0; i < 64; ++i) {
        if (i < 63) {
            sixtyThree += std::string(i ? "," : "") + "0.5";
        }
        withText += std::string(i ? "," : "") + (i == 5 ? "\"x\"" : "0.25");
        withNan += std::string(i ? "," : "") + (i == 7 ? "-nan" : i == 8 ? "-inf" : "0.25");
    }
    sixtyThree += "]";
    withText += "]";
    withNan += "]";
    const Loaded loaded =
        load(document(R"(,"state":{"motion":)" + sixtyThree + R"(,"motionDrive":)" + withText +
                      R"(,"motionLevel":)" + withNan + R"(,"arcs":{"Tone":5,"Spread":)" + withText + "}}"));
    ASSERT_TRUE(loaded.sound.has_value());
    const engine::CurveSet defaults = engine::defaultCurveSet();
    const engine::CurveSet& curves = loaded.sound->curves;
    EXPECT_EQ(std::memcmp(curves.points[0], defaults.points[0], sizeof curves.points[0]), 0);
    EXPECT_EQ(curves.points[1][5], 0.0f);
    EXPECT_EQ(curves.points[1][6], 0.25f);
    EXPECT_EQ(curves.points[2][7], 0.0f); // never NaN or infinite
    EXPECT_EQ(curves.points[2][8], 0.0f);
    EXPECT_EQ(curves.points[4][0], 0.0f);
    EXPECT_EQ(curves.points[7][5], 0.0f);
    EXPECT_EQ(curves.points[7][0], 0.25f);
    EXPECT_TRUE(hasFinding(loaded.findings, "curve-length", "/state/motion"));
    EXPECT_TRUE(hasFinding(loaded.findings, "curve-length", "/state/arcs/Tone"));
    for (const document::Diagnostic& finding : loaded.findings) {
        EXPECT_EQ(finding.severity, document::Severity::Warning) << finding.code;
    }

    // A "state" or "arcs" that is not an Object leaves the curves alone and
    // says so, as any member of the wrong type does.
    const struct {
        const char* members;
        const char* path;
    } wrongTypes[] = {{R"(,"state":[1,2])", "/state"}, {R"(,"state":{"arcs":"none"})", "/state/arcs"}};
    for (const auto& c : wrongTypes) {
        const Loaded other = load(document(c.members));
        ASSERT_TRUE(other.sound.has_value()) << c.members;
        ASSERT_EQ(other.findings.size(), 1u) << c.members;
        EXPECT_EQ(other.findings[0].code, "wrong-type");
        EXPECT_EQ(other.findings[0].path, c.path);
        EXPECT_EQ(other.findings[0].message, "Expected an object; its curves are left at their defaults");
        EXPECT_EQ(other.findings[0].severity, document::Severity::Warning);
        EXPECT_EQ(std::memcmp(&other.sound->curves, &defaults, sizeof defaults), 0) << c.members;
    }
}

TEST(SoundDocument, RefusedDocumentsLeaveTheRetainedDocumentAlone) {
    const Loaded earlier = load(document(R"(,"meta":{"name":"Kept"},"params":{"weight":0.25})"));
    ASSERT_TRUE(earlier.sound.has_value());
    const std::string before = save(earlier);

    const struct {
        std::string bytes;
        const char* code;
        const char* message;
    } cases[] = {
        {R"({"kind":"instance","plugin":"other"})", "wrong-plugin", "An instance of other, not fennrow"},
        {R"({"kind":"clip"})", "wrong-kind", "Expected kind \"instance\", found \"clip\""},
        {"", "package-unreadable", "Neither a JSON document nor a zip archive"},
        {"[1]", "package-unreadable", "Neither a JSON document nor a zip archive"},
        {"{\"kind\":", "document-unreadable", "The document is not valid JSON: invalid number"},
        {test::storedZip({{"clip.json", "{}"}}), "document-missing", "The archive has no instance.json"},
    };
    for (const auto& c : cases) {
        const Loaded refused = load(c.bytes, earlier.retained);
        EXPECT_FALSE(refused.sound.has_value()) << c.code;
        ASSERT_FALSE(refused.findings.empty()) << c.code;
        const document::Diagnostic& last = refused.findings.back();
        EXPECT_EQ(last.severity, document::Severity::Error) << c.code;
        EXPECT_EQ(last.code, c.code);
        EXPECT_EQ(last.message, c.message);
        EXPECT_EQ(presets::writeSoundDocument(refused.retained, *earlier.sound, std::nullopt), before)
            << c.code;
    }
}

TEST(SoundDocument, MembersThePluginDoesNotOwnSurviveASave) {
    const Loaded loaded = load(R"({"kind":"instance","hints":{"x":1},"params":{"weight":0.50,"mode":"soft",)"
                               R"("extra":0.125},"state":{"mine":true,"arcs":{"Other":[1]}},"zz":[1.50]})");
    ASSERT_TRUE(loaded.sound.has_value());
    EXPECT_TRUE(hasFinding(loaded.findings, "instance-without-plugin", "/plugin"));
    EXPECT_TRUE(hasFinding(loaded.findings, "spec-missing", "/spec"));
    const std::string saved = save(loaded);
    EXPECT_NE(saved.find(R"("plugin":"fennrow")"), std::string::npos);
    EXPECT_NE(saved.find(R"("hints":{"x":1})"), std::string::npos);
    EXPECT_NE(saved.find(R"("params":{"weight":0.50,"mode":"soft","extra":0.125,"drive":0.65,)"),
              std::string::npos);
    EXPECT_NE(saved.find(R"("state":{"mine":true,"arcs":{"Shape":)"), std::string::npos); // replaced in place
    EXPECT_EQ(saved.find("Other"), std::string::npos); // the arcs object is rebuilt whole
    EXPECT_EQ(saved.substr(saved.size() - 13), R"(,"zz":[1.50]})");
}

TEST(SoundDocument, AParamsMemberThatIsNotAnObjectGivesWayToTheCurrentValues) {
    for (const char* params : {R"("params":"broken")", R"("params":[0.1,0.2])", R"("params":7)"}) {
        const Loaded loaded = load(document(std::string(",") + params));
        ASSERT_TRUE(loaded.sound.has_value()) << params;
        EXPECT_TRUE(hasFinding(loaded.findings, "wrong-type", "/params")) << params;
        engine::SoundSnapshot sound = *loaded.sound;
        sound.params.weight = 0.25f;
        const std::string saved = presets::writeSoundDocument(loaded.retained, sound, std::nullopt);
        EXPECT_EQ(saved.find(params), std::string::npos) << saved;
        EXPECT_NE(saved.find(R"("params":{"weight":0.25,"drive":0.65,)"), std::string::npos) << saved;

        const Loaded again = load(saved);
        ASSERT_TRUE(again.sound.has_value());
        EXPECT_EQ(again.sound->params.weight, 0.25f);
    }
}

TEST(SoundDocument, WronglyTypedMembersThePluginOwnsAreWrittenAfresh) {
    const Loaded loaded = load(R"({"kind":"instance","spec":"1.0","plugin":5,"formatVersion":"two",)"
                               R"("seed":"bad","zz":1})");
    ASSERT_TRUE(loaded.sound.has_value());
    EXPECT_TRUE(hasFinding(loaded.findings, "wrong-type", "/plugin"));
    EXPECT_TRUE(hasFinding(loaded.findings, "wrong-type", "/formatVersion"));

    const std::string head = R"({"kind":"instance","spec":"1.0","plugin":"fennrow","formatVersion":1,)";
    const std::string unseeded = save(loaded);
    EXPECT_EQ(unseeded.rfind(head + R"("scope":"complete","params":{)", 0), 0u) << unseeded;
    // Without a session value the document's own seed stays, as written.
    EXPECT_EQ(unseeded.substr(unseeded.size() - 22), R"(},"seed":"bad","zz":1})");

    const std::string seeded = presets::writeSoundDocument(loaded.retained, *loaded.sound, 0xfeedull);
    EXPECT_EQ(seeded.rfind(head + R"("scope":"complete","seed":"000000000000feed","params":{)", 0), 0u)
        << seeded;
    EXPECT_EQ(seeded.find("bad"), std::string::npos);
    EXPECT_EQ(seeded.substr(seeded.size() - 8), R"(,"zz":1})");
}

TEST(SoundDocument, CurvePointsAtTheEdgeOfTheFloatRange) {
    const struct {
        const char* text;
        float expected;
    } cases[] = {
        {"3.4028235e38", std::numeric_limits<float>::max()}, // the largest float's own text
        {"-3.4028235e38", -std::numeric_limits<float>::max()},
        {"3.40282356e38", std::numeric_limits<float>::max()}, // rounds down to it
        {"3.4028236e38", 0.0f},                               // rounds to infinity: not a usable point
        {"1e39", 0.0f},
        {"1e-50", 0.0f},
    };
    for (const auto& c : cases) {
        std::string curve = "[";
        for (int i = 0; i < 64; ++i) {
            curve += std::string(i ? "," : "") + (i == 3 ? c.text : "0.5");
        }
        const Loaded loaded = load(document(R"(,"state":{"arcs":{"Drive":)" + curve + "]}}"));
        ASSERT_TRUE(loaded.sound.has_value()) << c.text;
        EXPECT_EQ(loaded.sound->curves.points[5][3], c.expected) << c.text;
        EXPECT_EQ(loaded.sound->curves.points[5][4], 0.5f) << c.text;
    }
    engine::SoundSnapshot extreme = engine::defaultSoundSnapshot();
    extreme.curves.points[5][3] = std::numeric_limits<float>::max();
    const std::string saved = presets::writeSoundDocument({}, extreme, std::nullopt);
    const Loaded again = load(saved);
    ASSERT_TRUE(again.sound.has_value());
    EXPECT_EQ(again.sound->curves.points[5][3], std::numeric_limits<float>::max());
    EXPECT_EQ(save(again), saved);
}

TEST(SoundDocument, ASeedFromTheSessionReplacesTheDocumentsOwn) {
    const Loaded loaded = load(document(R"(,"seed":"00000000000000AA")"));
    ASSERT_TRUE(loaded.sound.has_value());
    EXPECT_NE(save(loaded).find(R"("seed":"00000000000000aa")"), std::string::npos);
    const std::string seeded =
        presets::writeSoundDocument(loaded.retained, *loaded.sound, 0x0123456789abcdefull);
    EXPECT_NE(seeded.find(R"("seed":"0123456789abcdef")"), std::string::npos);
}

// Only the document is kept, but every entry is checked, so a corrupt asset
// is reported while the sound loads.
TEST(SoundDocument, ZipPackagesLoadAndTheirAssetsAreChecked) {
    const std::string asset = "sample bytes";
    const std::string digest =
        archive::sha256Hex(reinterpret_cast<const std::uint8_t*>(asset.data()), asset.size());
    const std::string body = document(R"(,"params":{"tone":0.75})");
    const std::string zip = test::storedZip({{"instance.json", body},
                                             {"assets/" + digest, asset},
                                             {"assets/" + std::string(64, 'a'), "not matching"}});
    const Loaded loaded = load(zip);
    ASSERT_TRUE(loaded.sound.has_value());
    EXPECT_EQ(loaded.sound->params.tone, 0.75f);
    EXPECT_TRUE(hasFinding(loaded.findings, "asset-corrupt", "/assets/" + std::string(64, 'a')));

    const Loaded bom = load("\xEF\xBB\xBF\n " + body);
    ASSERT_TRUE(bom.sound.has_value());
    EXPECT_EQ(bom.sound->params.tone, 0.75f);
}

// What loads must load again once saved, so a document that only fits the
// limit as it was read, not as the plugin writes it, is refused.
TEST(SoundDocument, ADocumentThatWouldSaveBeyondTheLimitIsRefused) {
    const Loaded loaded =
        load(document(R"(,"hints":")" + std::string(archive::kMaxDocumentBytes / 5, '\x01') + R"(")"));
    EXPECT_FALSE(loaded.sound.has_value());
    EXPECT_TRUE(hasFinding(loaded.findings, "document-too-large", ""));
    const Loaded fits =
        load(document(R"(,"hints":")" + std::string(archive::kMaxDocumentBytes / 8, '\x01') + R"(")"));
    ASSERT_TRUE(fits.sound.has_value());
    EXPECT_TRUE(load(save(fits)).sound.has_value());
}

// Only the bytes bound a document: one as full of values as they allow (two
// million small numbers, as a recorded automation leaves them) loads, and
// loads again once saved.
TEST(SoundDocument, ADocumentOfManyValuesWithinTheLimitLoads) {
    constexpr std::size_t kRoomForTheSound = 16384;
    std::string zeros = "0";
    while (zeros.size() + kRoomForTheSound < archive::kMaxDocumentBytes) zeros += ",0";
    const Loaded loaded = load(document(R"(,"hints":[)" + zeros + "]"));
    ASSERT_TRUE(loaded.sound.has_value());
    EXPECT_TRUE(load(save(loaded)).sound.has_value());
}

} // namespace
} // namespace fennrow::test
