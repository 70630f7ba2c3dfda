#include <clap/clap.h>

#include "engine/sound.h"
#include "plugin/param_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace fennrow::test {
namespace {

TEST(ParamTable, RowsAreConsistentWithTheEngineRecord) {
    const engine::SoundParams defaults;
    std::set<int> slots;
    std::set<std::string> keys;
    for (int i = 0; i < plugin::kParamCount; ++i) {
        const plugin::ParamSpec& row = plugin::kParamTable[i];
        SCOPED_TRACE(row.key);
        EXPECT_EQ(row.id, static_cast<uint32_t>(i + 1));
        EXPECT_LE(row.min, row.defaultValue);
        EXPECT_LE(row.defaultValue, row.max);
        // A fresh engine record and the table agree on every default.
        EXPECT_EQ(slotValue(defaults, row.slot), row.defaultValue);
        slots.insert(row.slot);
        keys.insert(row.key);
        EXPECT_EQ(plugin::paramIndexById(row.id), i);
        EXPECT_EQ(plugin::paramIndexByKey(row.key), i);
    }
    EXPECT_EQ(slots.size(), static_cast<size_t>(plugin::kParamCount));
    EXPECT_EQ(*slots.begin(), 0);
    EXPECT_EQ(*slots.rbegin(), plugin::kParamCount - 1);
    EXPECT_EQ(keys.size(), static_cast<size_t>(plugin::kParamCount));
}

TEST(ParamTable, LookupsAreExact) {
    EXPECT_EQ(plugin::paramIndexById(0), -1);
    EXPECT_EQ(plugin::paramIndexById(24), -1);
    EXPECT_EQ(plugin::paramIndexById(CLAP_INVALID_ID), -1);
    EXPECT_EQ(plugin::paramIndexByKey("Weight"), -1);
    EXPECT_EQ(plugin::paramIndexByKey("weight "), -1);
    EXPECT_EQ(plugin::paramIndexByKey(""), -1);
    EXPECT_EQ(plugin::paramIndexByKey("arcBars"), 11);
    EXPECT_EQ(plugin::kParamTable[plugin::paramIndexByKey("legato")].slot, 12);
}

} // namespace
} // namespace fennrow::test
