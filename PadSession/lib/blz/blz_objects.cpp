// Everything found through ObjectManager.GetManagedObjects: known devices, services and
// characteristics by UUID.
#include "blz_conv.h"
#include "blz_internal.h"

#include <string.h>

namespace {

// One object of the managed-object tree as far as this client cares.
struct ObjectInfo {
    const char* path = nullptr;
    bool isDevice = false, isService = false, isChar = false;
    char uuid[BLZ_UUID_LEN] = {};
    char address[32] = {};
    int16_t rssi = 0;
    uint32_t flags = 0;
};

bool below(const char* path, const char* prefix) {
    return strncmp(path, prefix, strlen(prefix)) == 0;
}

int read_interface(sd_bus_message* m, ObjectInfo* o) {
    const char* iface = nullptr;
    int r = sd_bus_message_read_basic(m, 's', &iface);
    if (r < 0)
        return r;
    if (strcmp(iface, BLZ_DEVICE_IFACE) == 0) {
        o->isDevice = true;
        return blz_read_props(m, [&](const char* name, sd_bus_message* v) {
            if (strcmp(name, "Address") == 0)
                return blz_read_variant_string(v, o->address, sizeof o->address);
            if (strcmp(name, "RSSI") == 0)
                return blz_read_variant_int16(v, &o->rssi);
            return 0;
        });
    }
    const bool service = strcmp(iface, BLZ_SERVICE_IFACE) == 0;
    const bool chr = strcmp(iface, BLZ_CHAR_IFACE) == 0;
    if (!service && !chr)
        return sd_bus_message_skip(m, "a{sv}");
    o->isService = o->isService || service;
    o->isChar = o->isChar || chr;
    return blz_read_props(m, [&](const char* name, sd_bus_message* v) {
        if (strcmp(name, "UUID") == 0)
            return blz_read_variant_string(v, o->uuid, sizeof o->uuid);
        if (chr && strcmp(name, "Flags") == 0) {
            std::vector<std::string> flags;
            const int rr = blz_read_variant_strv(v, &flags);
            for (const std::string& f : flags)
                o->flags |= blz_char_flag(f.c_str());
            return rr;
        }
        return 0;
    });
}

// Calls visit(info) for every object below prefix; visit returns true to stop. 1 when stopped,
// 0 at the end, negative errno on failure (logged).
template <typename Visit> int walk_objects(blz_context* ctx, const char* prefix, Visit visit) {
    BlzBusLock lock(ctx);
    BlzError err;
    sd_bus_message* reply = nullptr;
    int r = sd_bus_call_method(ctx->bus.get(), BLZ_BUS_NAME, "/", BLZ_OBJMGR_IFACE,
                               "GetManagedObjects", err.get(), &reply, "");
    BlzMessage owned(reply);
    if (r < 0) {
        blz_log("BLZ: Failed to get managed objects: %s", err.message());
        return r;
    }
    sd_bus_message* m = reply;
    if ((r = sd_bus_message_enter_container(m, 'a', "{oa{sa{sv}}}")) < 0)
        goto bad;
    while ((r = sd_bus_message_enter_container(m, 'e', "oa{sa{sv}}")) > 0) {
        ObjectInfo o;
        if ((r = sd_bus_message_read_basic(m, 'o', &o.path)) < 0)
            goto bad;
        if (!below(o.path, prefix)) {
            if ((r = sd_bus_message_skip(m, "a{sa{sv}}")) < 0)
                goto bad;
        } else {
            if ((r = sd_bus_message_enter_container(m, 'a', "{sa{sv}}")) < 0)
                goto bad;
            while ((r = sd_bus_message_enter_container(m, 'e', "sa{sv}")) > 0) {
                if ((r = read_interface(m, &o)) < 0 || (r = sd_bus_message_exit_container(m)) < 0)
                    goto bad;
            }
            if (r < 0 || (r = sd_bus_message_exit_container(m)) < 0)
                goto bad;
            if (visit(o))
                return 1;
        }
        if ((r = sd_bus_message_exit_container(m)) < 0)
            goto bad;
    }
    if (r >= 0)
        return 0;
bad:
    blz_log("BLZ: Failed to parse managed objects: %s", strerror(-r));
    return r;
}

} // namespace

bool blz_known_devices(blz_context* ctx, blz_scan_handler_t cb, void* user) {
    const int r = walk_objects(ctx, ctx->path, [&](const ObjectInfo& o) {
        uint8_t mac[6];
        if (o.isDevice && blz_mac_parse(o.address, mac))
            cb(mac, BLZ_ADDR_UNKNOWN, static_cast<int8_t>(o.rssi), nullptr, 0, user);
        return false;
    });
    return r >= 0;
}

blz_serv* blz_get_serv_from_uuid(blz_dev* dev, const char* uuid) {
    std::unique_ptr<blz_serv> srv(new (std::nothrow) blz_serv());
    if (!srv) {
        blz_log("BLZ: blz_srv alloc failed");
        return nullptr;
    }
    const int r = walk_objects(dev->ctx, dev->path, [&](const ObjectInfo& o) {
        if (!o.isService || !blz_uuid_equal(o.uuid, uuid))
            return false;
        snprintf(srv->path, sizeof srv->path, "%s", o.path);
        snprintf(srv->uuid, sizeof srv->uuid, "%s", o.uuid);
        return true;
    });
    if (r != 1) {
        blz_log("BLZ: Couldn't find service with UUID %s", uuid);
        return nullptr;
    }
    srv->ctx = dev->ctx;
    srv->dev = dev;
    return srv.release();
}

std::vector<std::string> blz_list_char_uuids(blz_serv* srv) {
    std::vector<std::string> uuids;
    (void)walk_objects(srv->ctx, srv->path, [&](const ObjectInfo& o) {
        if (o.isChar)
            uuids.emplace_back(o.uuid);
        return false;
    });
    srv->char_uuids = uuids;
    return uuids;
}

blz_char* blz_get_char_from_uuid(blz_serv* srv, const char* uuid) {
    std::unique_ptr<blz_char> ch(new (std::nothrow) blz_char());
    if (!ch) {
        blz_log("BLZ: blz_char alloc failed");
        return nullptr;
    }
    const int r = walk_objects(srv->ctx, srv->dev->path, [&](const ObjectInfo& o) {
        if (!o.isChar || !blz_uuid_equal(o.uuid, uuid))
            return false;
        snprintf(ch->path, sizeof ch->path, "%s", o.path);
        snprintf(ch->uuid, sizeof ch->uuid, "%s", o.uuid);
        ch->flags = o.flags;
        return true;
    });
    if (r != 1) {
        blz_log("BLZ: Couldn't find characteristic with UUID %s", uuid);
        return nullptr;
    }
    ch->ctx = srv->ctx;
    ch->dev = srv->dev;
    return ch.release();
}

void blz_serv_free(blz_serv* srv) {
    delete srv;
}
