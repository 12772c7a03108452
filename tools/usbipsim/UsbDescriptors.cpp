// Device, configuration and string descriptors. The report descriptors are in
// UsbReportDescriptors.cpp.
#include "UsbDescriptors.h"

namespace usbipsim {

namespace {

enum : uint8_t {
    kDtDevice = 1,
    kDtConfiguration = 2,
    kDtString = 3,
    kDtInterface = 4,
    kDtEndpoint = 5,
    kDtHid = 0x21,
    kDtReport = 0x22,
};

void put16(Bytes& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

Bytes string_descriptor(const std::wstring& text) {
    // bLength is one byte: at most 126 UTF-16 units fit.
    Bytes units = tabletsim::utf16le(text);
    if (units.size() > 252)
        units.resize(252);
    Bytes d{uint8_t(2 + units.size()), kDtString};
    d.insert(d.end(), units.begin(), units.end());
    return d;
}

} // namespace

UsbDescriptors::UsbDescriptors(const tabletsim::SimDevice& dev, ReportKind firstKind) {
    // Endpoint numbers go up to 15: interfaces past the fifteenth cannot have one.
    for (size_t k = 0; k < dev.interfaces.size() && k < 15; ++k) {
        _numbers.push_back(dev.interfaces[k].number);
        _reports.push_back(k == 0 && firstKind == ReportKind::Digitizer
                               ? digitizer_report_descriptor(dev)
                               : vendor_report_descriptor(dev));
        const size_t len = _reports.back().size();
        _hid.push_back({9, kDtHid, 0x11, 0x01, /* country */ 0, /* descriptors */ 1, kDtReport,
                        uint8_t(len), uint8_t(len >> 8)});
    }

    // The scenario's indexed strings keep their indices: the session library asks for index 1
    // by number. Manufacturer, product and serial take the highest free indices, so that a
    // "string N" line in the trace means someone asked for N itself.
    _strings[0] = {4, kDtString, uint8_t(kLanguage), uint8_t(kLanguage >> 8)};
    for (const auto& s : dev.strings)
        if (s.first > 0)
            _strings[s.first] = string_descriptor(s.second);
    int next = 255;
    auto assign = [&](const std::wstring& text) -> uint8_t {
        while (next > 0 && _strings.count(next) != 0)
            --next;
        if (next == 0)
            return 0;
        _strings[next] = string_descriptor(text);
        return uint8_t(next);
    };
    _iManufacturer = dev.hasManufacturer ? assign(dev.manufacturer) : 0;
    _iProduct = assign(dev.product);
    _iSerial = dev.serial.empty() ? 0 : assign(dev.serial);

    _device = {18, kDtDevice, 0x00, 0x02, // USB 2.0: no BOS descriptor is asked for
               0,  0,         0,    uint8_t(kMaxPacket)};
    put16(_device, dev.vid);
    put16(_device, dev.pid);
    put16(_device, dev.release);
    _device.insert(_device.end(), {_iManufacturer, _iProduct, _iSerial, /* configurations */ 1});

    const size_t total = 9 + _numbers.size() * (9 + 9 + 7);
    _configuration = {9, kDtConfiguration};
    put16(_configuration, uint32_t(total));
    _configuration.insert(_configuration.end(), {uint8_t(_numbers.size()), /* value */ 1,
                                                 /* iConfiguration */ 0, /* bus powered */ 0x80,
                                                 /* 100 mA */ 50});
    for (size_t k = 0; k < _numbers.size(); ++k) {
        _configuration.insert(_configuration.end(),
                              {9, kDtInterface, uint8_t(_numbers[k]), /* alternate */ 0,
                               /* endpoints */ 1, /* HID */ 3, /* no boot */ 0, 0, 0});
        _configuration.insert(_configuration.end(), _hid[k].begin(), _hid[k].end());
        // Interrupt IN, polled every frame at full speed.
        _configuration.insert(_configuration.end(),
                              {7, kDtEndpoint, uint8_t(0x81 + k), /* interrupt */ 3,
                               uint8_t(kMaxPacket), uint8_t(kMaxPacket >> 8), /* interval */ 1});
    }
}

int UsbDescriptors::position(int interfaceNumber) const {
    for (size_t k = 0; k < _numbers.size(); ++k)
        if (_numbers[k] == interfaceNumber)
            return int(k);
    return -1;
}

const Bytes* UsbDescriptors::hid(int interfaceNumber) const {
    const int k = position(interfaceNumber);
    return k < 0 ? nullptr : &_hid[size_t(k)];
}

const Bytes* UsbDescriptors::report(int interfaceNumber) const {
    const int k = position(interfaceNumber);
    return k < 0 ? nullptr : &_reports[size_t(k)];
}

const Bytes* UsbDescriptors::string(int index) const {
    const auto found = _strings.find(index);
    return found == _strings.end() ? nullptr : &found->second;
}

int UsbDescriptors::interfaceOfEndpoint(uint32_t ep) const {
    return ep >= 1 && ep <= _numbers.size() ? _numbers[ep - 1] : -1;
}

uint32_t UsbDescriptors::endpointOfInterface(int interfaceNumber) const {
    const int k = position(interfaceNumber);
    return k < 0 ? 0 : uint32_t(k + 1);
}

} // namespace usbipsim
