// The Bluetooth transport's two address lists: the candidates of one open, strongest signal
// first, and the devices found not to be the maker's, which a session never tries again.
#pragma once

#include <stdint.h>

enum { ZV_BLE_SCAN_MAX = 256, ZV_BLE_FOREIGN_MAX = 32, ZV_BLE_MAC_TEXT = 20 };

struct SCAN_MAC {
    uint8_t mac[6];
    int8_t rssi;
};

struct SaveMACIDArry {
    int count;
    char mac[ZV_BLE_FOREIGN_MAX][ZV_BLE_MAC_TEXT + 1];
};

// Adds a candidate unless its address is already listed or the list is full, then reorders the
// list by RSSI, highest first.
void zv_ble_add_candidate(SCAN_MAC (&list)[ZV_BLE_SCAN_MAX], int* count, const uint8_t* mac,
                          int8_t rssi);
// True for an all-zero address, which ends a candidate list.
bool zv_ble_mac_empty(const uint8_t* mac);

bool zv_ble_foreign_has(const SaveMACIDArry& list, const char* mac);
// True when mac is (now) listed; false when the list is full.
bool zv_ble_foreign_add(SaveMACIDArry* list, const char* mac);
