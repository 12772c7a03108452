// zv-usbip-tablet: one scenario device attached to this machine's vhci-hcd as a real USB tablet,
// controlled line by line from standard input (README.md).
#include "UsbIpServer.h"

#include <errno.h>
#include <iostream>
#include <sstream>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>

namespace {

const char* const kUsage =
    "usage: zv-usbip-tablet --scenario FILE [--device NAME] [--descriptor vendor|digitizer]\n"
    "                       [--trace FILE] [--vhci DIR]\n"
    "stdin: unplug | plug | inject <interface> <hex bytes> | quit (EOF quits too)\n";

struct Args {
    std::string scenario;
    std::string device;
    std::string descriptor = "vendor";
    std::string trace;
    std::string vhci = usbipsim::kVhciDir;
};

bool parse_args(int argc, char** argv, Args* a) {
    for (int i = 1; i < argc; ++i) {
        const std::string opt = argv[i];
        std::string* target = opt == "--scenario"     ? &a->scenario
                              : opt == "--device"     ? &a->device
                              : opt == "--descriptor" ? &a->descriptor
                              : opt == "--trace"      ? &a->trace
                              : opt == "--vhci"       ? &a->vhci
                                                      : nullptr;
        if (target == nullptr || i + 1 >= argc)
            return false;
        *target = argv[++i];
    }
    return !a->scenario.empty() && (a->descriptor == "vendor" || a->descriptor == "digitizer");
}

bool parse_hex(std::istringstream& words, usbipsim::Bytes* out) {
    std::string w;
    while (words >> w) {
        char* end = nullptr;
        const unsigned long v = strtoul(w.c_str(), &end, 16);
        if (*end != '\0' || v > 0xFF)
            return false;
        out->push_back(uint8_t(v));
    }
    return !out->empty();
}

int attach_and_say(usbipsim::Server& server) {
    const int port = server.attach();
    if (port >= 0) {
        printf("attached %d\n", port);
        fflush(stdout);
    }
    return port;
}

} // namespace

int main(int argc, char** argv) {
    Args args;
    if (!parse_args(argc, argv, &args)) {
        fputs(kUsage, stderr);
        return 1;
    }
    tabletsim::Scenario scenario;
    std::string error;
    if (!tabletsim::load_scenario_file(args.scenario, &scenario, &error)) {
        fprintf(stderr, "zv-usbip-tablet: %s\n", error.c_str());
        return 1;
    }
    size_t device = 0;
    while (device < scenario.devices.size() && !args.device.empty() &&
           scenario.devices[device].name != args.device)
        ++device;
    if (device >= scenario.devices.size()) {
        fprintf(stderr, "zv-usbip-tablet: no device %s in %s\n",
                args.device.empty() ? "at all" : args.device.c_str(), args.scenario.c_str());
        return 1;
    }

    usbipsim::Server::Options options;
    options.kind = args.descriptor == "digitizer" ? usbipsim::ReportKind::Digitizer
                                                  : usbipsim::ReportKind::Vendor;
    options.vhciDir = args.vhci;
    options.tracePath = args.trace;
    usbipsim::Server server(scenario, device, options);
    // vhci_connect said why on stderr.
    if (attach_and_say(server) < 0)
        return 1;

    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream words(line);
        std::string command;
        if (!(words >> command))
            continue;
        if (command == "quit")
            break;
        if (command == "unplug") {
            server.detach();
        } else if (command == "plug") {
            const int port = attach_and_say(server);
            if (port == -EALREADY)
                fprintf(stderr, "zv-usbip-tablet: already attached\n");
        } else if (command == "inject") {
            int iface = -1;
            usbipsim::Bytes report;
            if (!(words >> iface) || !parse_hex(words, &report))
                fprintf(stderr, "zv-usbip-tablet: inject <interface> <hex bytes>\n");
            else if (!server.inject(iface, report))
                fprintf(stderr, "zv-usbip-tablet: no interface %d\n", iface);
        } else {
            fprintf(stderr, "zv-usbip-tablet: unknown command '%s'\n", command.c_str());
        }
    }
    server.detach();
    return 0;
}
