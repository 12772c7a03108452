#include "ZvBleLists.h"

#include <stdio.h>
#include <string.h>
#include <utility>

void zv_ble_add_candidate(SCAN_MAC (&list)[ZV_BLE_SCAN_MAX], int* count, const uint8_t* mac,
                          int8_t rssi) {
    for (int i = 0; i < *count; ++i)
        if (memcmp(list[i].mac, mac, 6) == 0)
            return;
    if (*count >= ZV_BLE_SCAN_MAX)
        return;
    memcpy(list[*count].mac, mac, 6);
    list[*count].rssi = rssi;
    ++*count;
    for (int i = 0; i < *count; ++i)
        for (int j = i + 1; j < *count; ++j)
            if (list[j].rssi > list[i].rssi)
                std::swap(list[i], list[j]);
}

bool zv_ble_mac_empty(const uint8_t* mac) {
    static const uint8_t zero[6] = {};
    return memcmp(mac, zero, 6) == 0;
}

bool zv_ble_foreign_has(const SaveMACIDArry& list, const char* mac) {
    for (int i = 0; i < list.count && i < ZV_BLE_FOREIGN_MAX; ++i)
        if (strcmp(list.mac[i], mac) == 0)
            return true;
    return false;
}

bool zv_ble_foreign_add(SaveMACIDArry* list, const char* mac) {
    if (zv_ble_foreign_has(*list, mac))
        return true;
    if (list->count >= ZV_BLE_FOREIGN_MAX)
        return false;
    snprintf(list->mac[list->count], sizeof list->mac[0], "%s", mac);
    ++list->count;
    return true;
}
