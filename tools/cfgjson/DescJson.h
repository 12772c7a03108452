// Readable forms of the description records (tablet and pen) and of the picture layouts. Member
// names are the record's own; model strings are 8-bit text (the records as the store hands them
// out, narrowed), the tablet's display name sName is UTF-16LE in the record and text here.
// Readers leave absent members as they were, so they can start from defaults.
#pragma once

#include "JsonField.h"
#include "ZvStruct.h"

namespace zvj {

Json::Value tablet_to_json(const ZvTabletCfg& t);
void tablet_from_json(const Json::Value& v, const std::string& path, ZvTabletCfg& t);

Json::Value pen_to_json(const ZvPenCfg& p);
void pen_from_json(const Json::Value& v, const std::string& path, ZvPenCfg& p);

Json::Value tablet_layout_to_json(const ZvLayoutTablet& l);
void tablet_layout_from_json(const Json::Value& v, const std::string& path, ZvLayoutTablet& l);

Json::Value pen_layout_to_json(const ZvLayoutPen& l);
void pen_layout_from_json(const Json::Value& v, const std::string& path, ZvLayoutPen& l);

// Geometry: a rectangle is [left, top, right, bottom], a point or size [x, y].
Json::Value rect_to_json(const ZvRect& r);
void rect_from_json(const Json::Value& v, const std::string& path, ZvRect& r);
Json::Value point_to_json(th_i32 x, th_i32 y);
void point_from_json(const Json::Value& v, const std::string& path, th_i32& x, th_i32& y);

// The display name: 64 UTF-16LE code units <-> text (printable ASCII), else hex.
Json::Value utf16_text_out(const th_char* field, size_t n);
void utf16_text_in(const Json::Value& v, const std::string& path, th_char* field, size_t n);

} // namespace zvj
