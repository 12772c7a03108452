// A scenario of the simulated tablets: the devices on the bus and the timed scripts that drive
// them. README.md describes the text form that parse_scenario reads.
#pragma once

#include "SimReports.h"

#include <map>
#include <stdint.h>
#include <string>
#include <vector>

namespace tabletsim {

// How a device answers GET_FEATURE for one report id.
struct FeatureAnswer {
    enum class Kind {
        Bytes,  // these bytes, as the device sends them (report id in byte 0)
        Stall,  // refuses at once, as a device without that report does
        Silent, // never answers: the request fails after the device's feature time-out
    };
    Kind kind = Kind::Stall;
    Bytes bytes;
};

struct SimInterface {
    int number = 0;
    std::string path;
    bool openable = true;
};

struct SimDevice {
    std::string name;
    uint16_t vid = 0x7D3A;
    uint16_t pid = 0;
    uint16_t release = 0x0100;
    std::vector<SimInterface> interfaces;
    bool hasManufacturer = true; // false: the enumeration carries no manufacturer string
    std::wstring manufacturer = L"Zerva";
    std::wstring product = L"Tablet";
    std::wstring serial;
    std::map<int, std::wstring> strings; // string descriptors by index
    std::map<int, FeatureAnswer> features;
    int64_t featureTimeoutUs = 1000000; // hidapi's control transfer time-out
    bool plugged = true;
};

struct Step {
    enum class Kind { Report, Unplug, Plug, ReadError };
    Kind kind = Kind::Report;
    int64_t atUs = 0; // from the start of the script
    Bytes report;
};

struct Script {
    enum class Start {
        Open, // when the interface is first opened
        Load, // when the scenario is loaded
    };
    size_t device = 0;    // index into Scenario::devices
    size_t interface = 0; // index into that device's interfaces
    Start start = Start::Open;
    std::vector<Step> steps; // in time order
};

struct Scenario {
    std::vector<SimDevice> devices;
    std::vector<Script> scripts;
    bool initFails = false; // hid_init fails
};

// Parses scenario text. On failure returns false with "line N: what" in *error.
bool parse_scenario(const std::string& text, Scenario* out, std::string* error);
// Reads and parses a scenario file.
bool load_scenario_file(const std::string& path, Scenario* out, std::string* error);

// UTF-8 to wide characters (one code point each); invalid bytes become U+FFFD.
std::wstring widen(const std::string& utf8);
// UTF-16LE code units of a wide string, as the model command answers.
Bytes utf16le(const std::wstring& text);

} // namespace tabletsim
