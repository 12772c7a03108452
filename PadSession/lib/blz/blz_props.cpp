#include "blz_internal.h"

#include <errno.h>
#include <string.h>

namespace {

// Enters the variant when it carries `signature`; 0 (nothing consumed) when it carries another.
int enter_variant(sd_bus_message* m, const char* signature) {
    char type;
    const char* contents = nullptr;
    int r = sd_bus_message_peek_type(m, &type, &contents);
    if (r < 0)
        return r;
    if (type != 'v' || contents == nullptr || strcmp(contents, signature) != 0)
        return 0;
    r = sd_bus_message_enter_container(m, 'v', signature);
    return r < 0 ? r : 1;
}

} // namespace

int blz_read_variant_string(sd_bus_message* m, char* out, size_t outSize) {
    int r = enter_variant(m, "s");
    if (r <= 0)
        return r;
    const char* s = nullptr;
    if ((r = sd_bus_message_read_basic(m, 's', &s)) < 0)
        return r;
    snprintf(out, outSize, "%s", s ? s : "");
    r = sd_bus_message_exit_container(m);
    return r < 0 ? r : 1;
}

int blz_read_variant_bool(sd_bus_message* m, bool* out) {
    int r = enter_variant(m, "b");
    if (r <= 0)
        return r;
    int b = 0;
    if ((r = sd_bus_message_read_basic(m, 'b', &b)) < 0)
        return r;
    *out = b != 0;
    r = sd_bus_message_exit_container(m);
    return r < 0 ? r : 1;
}

int blz_read_variant_int16(sd_bus_message* m, int16_t* out) {
    int r = enter_variant(m, "n");
    if (r <= 0)
        return r;
    if ((r = sd_bus_message_read_basic(m, 'n', out)) < 0)
        return r;
    r = sd_bus_message_exit_container(m);
    return r < 0 ? r : 1;
}

int blz_read_variant_strv(sd_bus_message* m, std::vector<std::string>* out) {
    int r = enter_variant(m, "as");
    if (r <= 0)
        return r;
    if ((r = sd_bus_message_enter_container(m, 'a', "s")) < 0)
        return r;
    std::vector<std::string> list;
    const char* s = nullptr;
    while ((r = sd_bus_message_read_basic(m, 's', &s)) > 0)
        list.emplace_back(s);
    if (r < 0)
        return r;
    if ((r = sd_bus_message_exit_container(m)) < 0 || (r = sd_bus_message_exit_container(m)) < 0)
        return r;
    *out = std::move(list);
    return 1;
}
