// The inspector's documents: any configuration file as readable JSON, and a per-model file or an
// exported profile written back from such JSON.
#pragma once

#include <json/json.h>

#include <string>

namespace zvcfg {

// Kinds of file the inspector knows.
enum class FileKind { Tablet, Pen, TabletLayout, PenLayout, UserTemplates, UserConfig, Profile };

// By name (the description files and user.cfg), else by content: a bare 495,132-byte record is
// an exported profile, anything else behind a header a per-model file.
bool guess_kind(const std::string& path, FileKind& kind, std::string& error);
bool kind_from_name(const std::string& name, FileKind& kind);

// {"file": <kind>, ...}: "records" for the lists, "config" for a user configuration.
bool print_document(const std::string& path, FileKind kind, Json::Value& doc, std::string& error);

// Writes the "config" of a "user-config" (with header, as the store writes it) or "profile"
// (bare record) document.
bool write_document(const Json::Value& doc, const std::string& out, std::string& error);

} // namespace zvcfg
