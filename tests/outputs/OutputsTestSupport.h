#pragma once

#include "outputs/MixRectangle.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

// Every test starts from an empty table and class state.
class MixTableTest : public ::testing::Test {
protected:
    void SetUp() override { MixRectangle::removeAll(); }
    void TearDown() override { MixRectangle::removeAll(); }
};

// An entry of the "mixes" dictionary from key/value pairs.
inline QVariantMap entry(std::initializer_list<std::pair<const char*, QVariant>> fields) {
    QVariantMap e;
    for (const auto& [k, v] : fields) e.insert(k, v);
    return e;
}

// A layout of the kind a server keeps: the surface, two outputs on
// displays (one a child of a mix), a mix with a child mix, and a multi-mix
// of the two mixes.
inline QVariantMap sampleMixes() {
    return {
        {"000", entry({{"rect", "0,0,3840,1080"}, {"name", "global surface"},
                       {"kKlMixVersion", "4100"}, {"fit_mode", "0"}, {"screen_uuid", ""}})},
        {"001", entry({{"rect", "0,0,1920,1080"}, {"name", "Output 001 (Master2)"},
                       {"screen_index", "1"}, {"is_output", "1"}, {"master_num", "2"},
                       {"show_hud", "1"}, {"fit_mode", "0"}, {"screen_uuid", "uuid-1"},
                       {"screen_uid", "4660"}, {"unique_ui_color_id", "1"},
                       {"custom_color", "255,0,0"}, {"custom_color_enable", "1"}})},
        {"002", entry({{"rect", "0,0,1080,1080"}, {"name", "Output 002 (Master3)"}, {"parent", "33"},
                       {"screen_index", "2"}, {"is_output", "1"}, {"master_num", "3"},
                       {"fit_mode", "1"}, {"screen_uuid", ""}, {"mix_rotation", "90"},
                       {"unique_ui_color_id", "2"}, {"custom_color", "127,127,127"}})},
        {"033", entry({{"rect", "1920,0,1920,1080"}, {"name", "Stage"}, {"fit_mode", "0"},
                       {"screen_uuid", ""}, {"unique_ui_color_id", "3"},
                       {"custom_color", "127,127,127"}})},
        {"034", entry({{"rect", "10,10,200,100"}, {"name", "Inset"}, {"parent", "33"},
                       {"fit_mode", "0"}, {"screen_uuid", ""}, {"mix_offset", "2.5,-1.0"},
                       {"unique_ui_color_id", "4"}, {"custom_color", "0,127,255"}})},
        {"035", entry({{"rect", "0,0,0,0"}, {"name", "Both"}, {"fit_mode", "0"},
                       {"screen_uuid", ""}, {"multi_mix", QVariantList{"33", "34"}},
                       {"unique_ui_color_id", "5"}, {"custom_color", "127,127,127"}})},
    };
}
