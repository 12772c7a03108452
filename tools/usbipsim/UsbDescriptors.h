// What the simulated tablet tells the host about itself over USB: device, configuration, HID,
// report and string descriptors, all derived from one scenario device so that the USB view and
// the hidapi stand-in answer alike.
#pragma once

#include "SimScenario.h"

#include <map>
#include <stdint.h>
#include <vector>

namespace usbipsim {

using Bytes = tabletsim::Bytes;

// How an interface describes its reports.
enum class ReportKind {
    Vendor,    // a vendor-defined collection: only our own software reads it
    Digitizer, // a standard pen the kernel's HID input layer turns into an evdev tablet
};

// The pen's ranges as the device's parameter answer (feature 200) gives them, or the defaults
// of a device without one.
struct PenExtents {
    uint32_t maxX = 65535;
    uint32_t maxY = 65535;
    uint32_t maxPressure = 8191;
    uint32_t lpi = 5080;
};
PenExtents pen_extents(const tabletsim::SimDevice& dev);

// Report descriptors. Both describe the 12-byte tablet report (id 8, 11 bytes after the id) and
// declare the device's feature reports.
Bytes vendor_report_descriptor(const tabletsim::SimDevice& dev);
Bytes digitizer_report_descriptor(const tabletsim::SimDevice& dev);

class UsbDescriptors {
public:
    static constexpr uint16_t kLanguage = 0x0409;
    static constexpr uint16_t kMaxPacket = 64; // control and interrupt endpoints

    // `firstKind` is the report descriptor of the first interface; the others are Vendor.
    UsbDescriptors(const tabletsim::SimDevice& dev, ReportKind firstKind);

    const Bytes& device() const { return _device; }
    const Bytes& configuration() const { return _configuration; }
    // By bInterfaceNumber; nullptr for an interface the device does not have.
    const Bytes* hid(int interfaceNumber) const;
    const Bytes* report(int interfaceNumber) const;
    // String descriptor `index` (0: the language list); nullptr when the device does not answer
    // it (the request stalls).
    const Bytes* string(int index) const;
    // The interface served by IN endpoint `ep` (1, 2, ...): its bInterfaceNumber, or -1.
    int interfaceOfEndpoint(uint32_t ep) const;
    // The IN endpoint number of an interface, or 0.
    uint32_t endpointOfInterface(int interfaceNumber) const;
    size_t interfaceCount() const { return _numbers.size(); }

    uint8_t manufacturerIndex() const { return _iManufacturer; }
    uint8_t productIndex() const { return _iProduct; }
    uint8_t serialIndex() const { return _iSerial; }

private:
    int position(int interfaceNumber) const;

    std::vector<int> _numbers; // bInterfaceNumber in scenario order; endpoint 0x81 + position
    std::vector<Bytes> _hid;
    std::vector<Bytes> _reports;
    std::map<int, Bytes> _strings;
    Bytes _device;
    Bytes _configuration;
    uint8_t _iManufacturer = 0;
    uint8_t _iProduct = 0;
    uint8_t _iSerial = 0;
};

} // namespace usbipsim
