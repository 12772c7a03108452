// The kernel side of a connection: vhci-hcd's sysfs folder, whose `attach` file takes a connected
// stream socket and makes the host controller speak USB/IP on it.
#pragma once

#include "ZvUniqueFd.h"

#include <string>
#include <vector>

namespace usbipsim {

constexpr const char* kVhciDir = "/sys/devices/platform/vhci_hcd.0";
// Full speed: the interrupt endpoint's bInterval counts frames of 1 ms.
constexpr int kVhciSpeedFull = 2;

// The free ports of the full/high-speed hub that a vhci `status` text lists, in order.
std::vector<int> vhci_free_ports(const std::string& statusText);

// Makes a socketpair, gives one end to the kernel on the first free port of `dir` and returns the
// other end in *ours, which is written only on success. Returns the port, or -ENOENT (no vhci
// there), -EBUSY (no free port) or the negative errno of the failed step; logs the reason.
int vhci_connect(const std::string& dir, ZvUniqueFd* ours);

} // namespace usbipsim
