#include "presets/preset_names.h"

#include <gtest/gtest.h>

namespace fennrow::test {
namespace {

TEST(PresetNames, FileStemFollowsTheUsualFileNameRules) {
    const struct {
        const char* location;
        const char* stem;
    } cases[] = {
        {"/home/user/Presets/Wide.json", "Wide"},
        {"C:\\Users\\Jo\\Presets\\Warm.fennrow.json", "Warm.fennrow"},
        {"mixed\\dir/Sub.json", "Sub"},
        {"dir\\Sub/", ""},
        {"NoExtension", "NoExtension"},
        {"/p/.hidden", ".hidden"},
        {"/p/.hidden.json", ".hidden"},
        {"/p/..", ".."},
        {"/p/.", "."},
        {"/p/trailing.", "trailing"},
        {"/p/Bass.json:stream", "Bass"},
        {"/p/Gr\xC3\xBCn.json", "Gr\xC3\xBCn"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(presets::fileStemName(c.location), c.stem) << c.location;
    }
}

} // namespace
} // namespace fennrow::test
