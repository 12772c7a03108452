// One model of the model database (data/models/<model>.json) turned into the records the
// description files and user.cfg hold. A mistake in the file is a ModelError that names the file
// and the field.
#pragma once

#include "ZvStruct.h"

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace zvm {

class ModelError : public std::runtime_error {
public:
    ModelError(const std::string& file, const std::string& what)
        : std::runtime_error(file + ": " + what) {}
};

// Device quirks a model can carry, by the names the model files use.
enum class Quirk {
    NoAwayEvent,
    KeyWake,
    HoverWiggle,
    TouchSlotExclusion1,
    TouchSlotExclusion2,
    MirrorKeys20,
    MirrorKeys16,
    MirrorDials,
};
constexpr size_t kQuirkCount = 8;
const char* quirk_name(Quirk q);

struct ModelEntry {
    std::string file;
    std::string model;
    // The generic "OEMFF_FFFF" entry is only a user.cfg template: unknown tablets have no
    // description or layout.
    bool generic = false;
    std::vector<Quirk> quirks;
    ZvTabletCfg tablet{};
    ZvPenCfg pen{};
    ZvLayoutTablet layout{};
    ZvLayoutPen penLayout{};
    ZvUserCfg user{};
};

// Parses and checks one model file (records in memory form: 8-bit model strings).
std::unique_ptr<ModelEntry> load_model(const std::string& path);
// The same from text already read; `file` names it in errors.
std::unique_ptr<ModelEntry> parse_model(const std::string& file, const std::string& text);

// The user.cfg template before the model file's own settings: pen mode, full areas, every key
// and control enabled (see TemplateDefaults.cpp). t is null for the generic template.
void template_defaults(const ZvTabletCfg* t, ZvUserCfg& u);

// Consistency of the description with its layout and template; throws zvj::JsonError.
void check_model(const ModelEntry& m);

} // namespace zvm
