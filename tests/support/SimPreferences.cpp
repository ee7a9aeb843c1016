#include "support/SimPreferences.h"

#include "platform/PropertyList.h"

#include <QVariantList>

#include <algorithm>

namespace SimPreferences {

QVariantMap entry(const QString& type, const QVariant& value, const QString& group, int index,
                  const QString& alias, int incrementType, const QVariantMap& extra) {
    QVariantMap e{{"_type", type},
                  {"_value", value},
                  {"_group", group},
                  {"_alias", alias},
                  {"_pref_incr_t", QString::number(incrementType, 16)},
                  {"_prefUpdates", qint64(1)}};
    if (index > 0) e.insert("_idx", qint64(index));
    for (auto it = extra.begin(); it != extra.end(); ++it) e.insert(it.key(), *it);
    return e;
}

QByteArray mixesText(int outputs, int width, int height) {
    outputs = std::clamp(outputs, 1, 32);
    QByteArray t = "{\n";
    auto mix = [&](int index, const QByteArray& body) {
        t += QByteArray("    \"") + QByteArray::number(index).rightJustified(3, '0') + "\" = {\n" +
             body + "    };\n";
    };
    auto rect = [](int x, int y, int w, int h) {
        return QByteArray::number(x) + ',' + QByteArray::number(y) + ',' + QByteArray::number(w) +
               ',' + QByteArray::number(h);
    };
    mix(0, "        rect = \"" + rect(0, 0, outputs * width, height) +
               "\";\n        name = \"global surface\";\n        kKlMixVersion = 4100;\n"
               "        fit_mode = 0;\n        screen_uuid = \"\";\n");
    for (int o = 1; o <= outputs; ++o) {
        mix(o, "        rect = \"" + rect((o - 1) * width, 0, width, height) +
                   "\";\n        name = \"Output " + QByteArray::number(o) +
                   "\";\n        unique_ui_color_id = " + QByteArray::number(o) +
                   ";\n        custom_color = \"" + QByteArray::number(40 * o % 256) +
                   ",120,200\";\n        screen_index = " + QByteArray::number(o) +
                   ";\n        fit_mode = 0;\n        screen_uid = " + QByteArray::number(4000 + o) +
                   ";\n        screen_uuid = \"SIM-SCREEN-" + QByteArray::number(o) +
                   "\";\n        is_output = 1;\n");
    }
    // Two children of the first output, one of the last, and a multi-mix
    // that shows one child of each.
    const int first = outputs + 1, last = outputs;
    const int halfWidth = width / 2;
    auto child = [&](int index, const QByteArray& name, int parent, int x, int w, int colour) {
        mix(index, "        rect = \"" + rect(x, 0, w, height) + "\";\n        name = \"" + name +
                       "\";\n        unique_ui_color_id = " + QByteArray::number(colour) +
                       ";\n        custom_color = \"200,80," + QByteArray::number(colour * 20) +
                       "\";\n        parent = " + QByteArray::number(parent) +
                       ";\n        fit_mode = 1;\n        screen_uuid = \"\";\n");
    };
    child(first, "Stage Left", 1, 0, halfWidth, first);
    child(first + 1, "Stage Right", 1, halfWidth, width - halfWidth, first + 1);
    child(first + 2, "Backdrop", last, (last - 1) * width, width, first + 2);
    mix(first + 3, "        rect = \"" + rect(0, 0, outputs * width, height) +
                       "\";\n        name = \"Panorama\";\n        unique_ui_color_id = " +
                       QByteArray::number(first + 3) +
                       ";\n        custom_color = \"90,200,90\";\n        fit_mode = 2;\n"
                       "        screen_uuid = \"\";\n        multi_mix = (\"" +
                       QByteArray::number(first) + "\", \"" + QByteArray::number(first + 2) +
                       "\");\n");
    t += "}\n";
    return t;
}

QVariantMap standardDictionary(const Identity& id) {
    const QString dmxGroup = "Network", output = "Output", core = "Core";
    QVariantList outputNames;
    for (int o = 1; o <= std::clamp(id.outputs, 1, 32); ++o) outputNames << QString("Output %1").arg(o);
    const QVariant mixes = PropertyList::readOpenStep(mixesText(id.outputs, id.width, id.height));
    return {
        {"name", entry("str", QString::fromUtf8(id.name), "Identity", 1, "Server Name", 0,
                       {{"_readonly", true}})},
        {"alias", entry("str", QString::fromUtf8(id.alias), "Identity", 2, "Display Name", 0,
                        {{"_dflt", ""}})},
        {"DMX_Univ",
         entry("int", QString::number(id.universe), dmxGroup, 1, "DMX Universe", 1,
               {{"_rng", "{0, 32767}"}, {"_dflt", "1"}, {"_patchBlueprintsMaxUniverseOffset", 2}})},
        {"DMX_Protocol", entry("int", "0", dmxGroup, 2, "DMX Protocol", 1,
                               {{"_list", QVariantList{"Art-Net", "sACN"}},
                                {"_list_tags", QVariantList{0, 1}},
                                {"_dflt", "0"}})},
        {"artNetEnabled", entry("bool", "1", dmxGroup, 3, "Art-Net Input", 1, {{"_dflt", "1"}})},
        {"osc_heartbeat_dest", entry("str", "127.0.0.1:7000", dmxGroup, 4, "OSC Heartbeat", 1)},
        {"layerCount", entry("int", QString::number(id.layerCount), core, 1, "Layers", 2,
                             {{"_rng", "{1, 24}"}, {"_dflt", "8"}})},
        {"frameRate", entry("float", "60.0", core, 2, "Frame Rate", 3,
                            {{"_rng", "{1, 120}"}, {"_dflt", "60.0"}})},
        {"masterLevel", entry("float", "1.0", "Audio", 1, "Audio Level", 3, {{"_rng", "{0, 1}"}})},
        {"timecodeSource",
         entry("list", "internal", "Playback", 1, "Timecode Source", 4,
               {{"_list", QVariantList{"Internal", "LTC", "MTC"}},
                {"_list_reps", QVariantList{"internal", "ltc", "mtc"}},
                {"_dflt", "internal"}})},
        {"playback_ease_vals",
         entry("str", "1,10,5", "Playback", 2, "Playback Ease", 4, {{"_rng", "{0, 100}"}})},
        {"outputWidth", entry("int", QString::number(id.width), output, 1, "Output Width", 3,
                              {{"_rng", "{320, 7680}"}})},
        {"outputHeight", entry("int", QString::number(id.height), output, 2, "Output Height", 3,
                               {{"_rng", "{240, 4320}"}})},
        {"outputNames",
         entry("s_array", outputNames, output, 3, "Output Names", 3,
               {{"_format", "Output %d"},
                {"_1_based", 1},
                {"_s_array_list", QVariantList{"Front", "Rear", "Left", "Right"}},
                {"_list_desc", "Usual names"},
                {"_dflt", "(\"Output 1\", \"Output 2\")"}})},
        {"mixes", entry("dict", mixes, output, 4, "Outputs & Mixes", 3)},
        {"edgeBlend", entry("str", "10,20,30,40,50", output, 5, "Edge Blend", 3,
                            {{"_editor", "effect"}, {"_label", "BLEND"}})},
        {"pixmap_rgbw2_whiteVal",
         entry("str", "255,255,255", "Pixel Mapping", 1, "RGBW White", 5, {{"_rng", "{0, 255}"}})},
        {"mediaFolder", entry("str", "/Media", "Misc", 1, "Media Folder", 5)},
        {"legacyBlend", entry("bool", "0", "Deprecated", 1, "Legacy Blend", 5, {{"_dprct", "1"}})},
    };
}

bool applyValue(QVariantMap& entry, const QByteArray& text, bool* changed) {
    const QString type = entry.value("_type").toString();
    QVariant value = QString::fromUtf8(text);
    if (type == "s_array" || type == "dict") {
        value = PropertyList::read(text);
        const auto want = type == "dict" ? QMetaType::QVariantMap : QMetaType::QVariantList;
        // A server keeps its value rather than store what is not one.
        if (value.typeId() != want) return false;
    }
    if (changed) *changed = entry.value("_value") != value;
    entry.insert("_value", value);
    return true;
}

QByteArray valueText(const QVariant& value) {
    if (value.typeId() == QMetaType::QVariantMap || value.typeId() == QMetaType::QVariantList)
        return PropertyList::write(value, PropertyList::Format::OpenStep);
    return value.toString().toUtf8();
}

}  // namespace SimPreferences
