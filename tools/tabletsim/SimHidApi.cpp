// The hidapi functions, defined here so that a preloaded copy of this library stands in front of
// the real hidapi. Every public function is defined, so that no call reaches the real library
// with a handle it never made.
#include "SimWorld.h"

// hidapi declares its functions without a visibility; these definitions must be exported.
#pragma GCC visibility push(default)
#include <hidapi.h>
#include <hidapi_libusb.h>
#pragma GCC visibility pop

using tabletsim::StringKind;
using tabletsim::World;

extern "C" {

int HID_API_EXPORT hid_init(void) {
    return World::get().init();
}

int HID_API_EXPORT hid_exit(void) {
    return World::get().exit();
}

struct hid_device_info HID_API_EXPORT* hid_enumerate(unsigned short vendor_id,
                                                     unsigned short product_id) {
    return World::get().enumerate(vendor_id, product_id);
}

void HID_API_EXPORT hid_free_enumeration(struct hid_device_info* devs) {
    World::freeEnumeration(devs);
}

HID_API_EXPORT hid_device* hid_open(unsigned short vendor_id, unsigned short product_id,
                                    const wchar_t* serial_number) {
    (void)serial_number;
    return World::get().openFirst(vendor_id, product_id);
}

HID_API_EXPORT hid_device* hid_open_path(const char* path) {
    return World::get().open(path);
}

int HID_API_EXPORT hid_write(hid_device* dev, const unsigned char* data, size_t length) {
    return World::get().send(dev, data, length, "write");
}

int HID_API_EXPORT hid_read_timeout(hid_device* dev, unsigned char* data, size_t length,
                                    int milliseconds) {
    return World::get().read(dev, data, length, milliseconds);
}

int HID_API_EXPORT hid_read(hid_device* dev, unsigned char* data, size_t length) {
    return World::get().read(dev, data, length, World::kReadByMode);
}

int HID_API_EXPORT hid_set_nonblocking(hid_device* dev, int nonblock) {
    return World::get().setNonblocking(dev, nonblock);
}

int HID_API_EXPORT hid_send_feature_report(hid_device* dev, const unsigned char* data,
                                           size_t length) {
    return World::get().send(dev, data, length, "feature-send");
}

int HID_API_EXPORT hid_get_feature_report(hid_device* dev, unsigned char* data, size_t length) {
    return World::get().getFeature(dev, data, length);
}

int HID_API_EXPORT HID_API_CALL hid_get_input_report(hid_device* dev, unsigned char* data,
                                                     size_t length) {
    (void)dev;
    (void)data;
    (void)length;
    // Tablets send input only on their interrupt endpoint.
    return -1;
}

void HID_API_EXPORT hid_close(hid_device* dev) {
    World::get().close(dev);
}

int HID_API_EXPORT_CALL hid_get_manufacturer_string(hid_device* dev, wchar_t* string,
                                                    size_t maxlen) {
    return World::get().getString(dev, StringKind::Manufacturer, 0, string, maxlen);
}

int HID_API_EXPORT_CALL hid_get_product_string(hid_device* dev, wchar_t* string, size_t maxlen) {
    return World::get().getString(dev, StringKind::Product, 0, string, maxlen);
}

int HID_API_EXPORT_CALL hid_get_serial_number_string(hid_device* dev, wchar_t* string,
                                                     size_t maxlen) {
    return World::get().getString(dev, StringKind::Serial, 0, string, maxlen);
}

int HID_API_EXPORT_CALL hid_get_indexed_string(hid_device* dev, int string_index, wchar_t* string,
                                               size_t maxlen) {
    return World::get().getString(dev, StringKind::Indexed, string_index, string, maxlen);
}

struct hid_device_info HID_API_EXPORT* HID_API_CALL hid_get_device_info(hid_device* dev) {
    (void)dev;
    return nullptr;
}

HID_API_EXPORT const wchar_t* HID_API_CALL hid_error(hid_device* dev) {
    return World::get().error(dev);
}

HID_API_EXPORT const struct hid_api_version* HID_API_CALL hid_version(void) {
    static const hid_api_version version = {HID_API_VERSION_MAJOR, HID_API_VERSION_MINOR,
                                            HID_API_VERSION_PATCH};
    return &version;
}

HID_API_EXPORT const char* HID_API_CALL hid_version_str(void) {
    return HID_API_VERSION_STR;
}

HID_API_EXPORT hid_device* HID_API_CALL hid_libusb_wrap_sys_device(intptr_t sys_dev,
                                                                   int interface_num) {
    (void)sys_dev;
    (void)interface_num;
    return nullptr;
}
}
