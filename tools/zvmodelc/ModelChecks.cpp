// What a model file must get right beyond well-formed fields: strings that fit the files, key
// codes the core can tell apart, a picture that holds every key, defaults bound only to keys
// the tablet has, and a partner for every mirrored key.
#include "JsonField.h"
#include "ModelFile.h"

#include <math.h>
#include <string.h>

namespace zvm {
namespace {

using zvj::fail;
using zvj::index_path;

bool empty(const ZvRect& r) {
    return r.left == 0 && r.top == 0 && r.right == 0 && r.bottom == 0;
}

bool inside(const ZvRect& in, const ZvRect& out) {
    return in.left >= out.left && in.top >= out.top && in.right <= out.right &&
           in.bottom <= out.bottom;
}

bool overlaps(const ZvRect& a, const ZvRect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

std::string rect_text(const ZvRect& r) {
    return "[" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " +
           std::to_string(r.right) + ", " + std::to_string(r.bottom) + "]";
}

// A key's frame: non-empty and within the frame it belongs to.
void check_frame(const ZvRect& r, const ZvRect& within, const std::string& path, const char* what) {
    if (r.right <= r.left || r.bottom <= r.top)
        fail(path, rect_text(r) + " is empty or inverted");
    if (!inside(r, within))
        fail(path, rect_text(r) + " lies outside the " + what + " " + rect_text(within));
}

// Model strings are stored as UTF-16LE: a 24-byte field holds 12 characters.
void check_wide_fit(const th_char* field, size_t n, size_t maxChars, const std::string& path) {
    const size_t len = strnlen(field, n);
    if (len == 0)
        fail(path, "must not be empty");
    if (len > maxChars)
        fail(path, "longer than " + std::to_string(maxChars) + " characters");
}

void check_tablet(const ModelEntry& m) {
    const ZvTabletCfg& t = m.tablet;
    if (t.maxX == 0 || t.maxY == 0 || t.maxP == 0 || t.lpi == 0 || t.rate == 0)
        fail("tablet", "maxX, maxY, maxP, lpi and rate must all be set");
    // The device reports at most 17 characters of its name.
    check_wide_fit(t.sFullModel, sizeof t.sFullModel, 17, "tablet.sFullModel");
    if (strncmp(t.sFullModel, m.model.c_str(), m.model.size()) != 0)
        fail("tablet.sFullModel", "must begin with the model id");
    check_wide_fit(t.sPenModel, sizeof t.sPenModel, ZV_MODEL_LEN / 2, "tablet.sPenModel");

    // With a hekCode table every key needs its own code; without one, keys are bit positions.
    if (t.hekCode[0] != 0) {
        for (size_t i = 0; i < ZV_MAX_HEK; ++i) {
            const std::string path = index_path("tablet.hekCode", i);
            if (i >= t.hekNum && t.hekCode[i] != 0)
                fail(path, "set beyond hekNum");
            if (i < t.hekNum && t.hekCode[i] == 0)
                fail(path, "missing: every express key needs a code");
            for (size_t k = 0; k < i && t.hekCode[i] != 0; ++k) {
                if (t.hekCode[k] == t.hekCode[i])
                    fail(path, "repeats the code of key " + std::to_string(k));
            }
        }
    }

    for (size_t c = 0; c < ZV_MAX_MEK; ++c) {
        const std::string path = index_path("tablet.mekFuncBit", c);
        const th_u32 kind = t.mekFuncBit[c];
        if (c >= t.mekNum) {
            if (kind != 0 || t.mekMuxNum[c] != 0 || t.mekEkeyNum[c] != 0 || t.mekCode[c] != 0)
                fail(path, "control beyond mekNum");
            continue;
        }
        if (kind != ZV_MEK_SLIDER && kind != ZV_MEK_RING && kind != ZV_MEK_DIAL &&
            kind != ZV_MEK_TOUCH && kind != ZV_MEK_TOUCH13)
            fail(path, "a control needs a kind");
        if (t.mekMuxNum[c] < 1)
            fail(index_path("tablet.mekMuxNum", c), "a control has 1 to 4 function sets");
        const unsigned positions = (kind == ZV_MEK_TOUCH13 || kind == ZV_MEK_TOUCH) ? 13 : 2;
        if (t.mekEkeyNum[c] < 1 || t.mekEkeyNum[c] > positions)
            fail(index_path("tablet.mekEkeyNum", c),
                 "this kind has 1 to " + std::to_string(positions) + " positions");
        if (t.mekCode[c] > 0xFFFFFF)
            fail(index_path("tablet.mekCode", c), "control codes have 24 bits");
    }
    // Without codes every control report counts as control 0.
    if (t.mekNum == 2 && (t.mekCode[0] == 0 || t.mekCode[1] == 0 || t.mekCode[0] == t.mekCode[1]))
        fail("tablet.mekCode", "two controls need two different codes");
}

void check_layout(const ModelEntry& m) {
    const ZvTabletCfg& t = m.tablet;
    const ZvLayoutTablet& l = m.layout;
    if (l.size.cx <= 0 || l.size.cy <= 0)
        fail("layout.size", "the picture needs a size");
    const ZvRect picture{0, 0, l.size.cx, l.size.cy};
    check_frame(l.penArea, picture, "layout.penArea", "picture");
    // The active surface is drawn to scale: its picture must have the device's proportions.
    const double want = double(t.maxX) / t.maxY;
    const double have =
        double(l.penArea.right - l.penArea.left) / (l.penArea.bottom - l.penArea.top);
    if (fabs(have - want) / want > 0.05)
        fail("layout.penArea",
             "aspect " + std::to_string(have) + " differs from maxX/maxY " + std::to_string(want));

    if (t.sekNum == 0) {
        if (memcmp(&l.sekInRect, &l.penArea, sizeof l.penArea) != 0)
            fail("layout.sekInRect", "equals penArea on a tablet without soft keys");
    } else {
        check_frame(l.sekInRect, l.penArea, "layout.sekInRect", "penArea");
    }

    for (size_t i = 0; i < ZV_MAX_HEK; ++i) {
        const std::string path = index_path("layout.heks", i);
        if (i < t.hekNum)
            check_frame(l.heks[i], picture, path, "picture");
        else if (!empty(l.heks[i]))
            fail(path, "frame beyond hekNum");
    }
    for (size_t i = 0; i < ZV_MAX_SEK; ++i) {
        const std::string path = index_path("layout.seks", i);
        if (i >= t.sekNum) {
            if (!empty(l.seks[i]))
                fail(path, "frame beyond sekNum");
            continue;
        }
        check_frame(l.seks[i], l.penArea, path, "penArea");
        // A soft key is hit by a pen stroke outside the drawing region.
        if (overlaps(l.seks[i], l.sekInRect))
            fail(path, "overlaps sekInRect, the drawing region");
    }
    for (size_t c = 0; c < ZV_MAX_MEK; ++c) {
        const std::string path = index_path("layout.meks", c);
        const ZvLayoutEkey& k = l.meks[c];
        if (c >= t.mekNum) {
            if (!empty(k.rect) || !empty(k.inRect))
                fail(path, "control beyond mekNum");
            continue;
        }
        check_frame(k.rect, picture, path + ".rect", "picture");
        if (!empty(k.inRect))
            check_frame(k.inRect, k.rect, path + ".inRect", "rect");
        if (k.center.x < k.rect.left || k.center.x > k.rect.right || k.center.y < k.rect.top ||
            k.center.y > k.rect.bottom)
            fail(path + ".center", "lies outside the control");
    }

    const ZvLayoutPen& p = m.penLayout;
    if (p.size.cx <= 0 || p.size.cy <= 0)
        fail("penLayout.size", "the picture needs a size");
    const ZvRect penPicture{0, 0, p.size.cx, p.size.cy};
    // Entry 0 is the tip, the buttons follow.
    for (size_t i = 0; i < ZV_MAX_PEK; ++i) {
        const std::string path = index_path("penLayout.peks", i);
        if (i <= m.pen.btnNum)
            check_frame(p.peks[i], penPicture, path, "pen picture");
        else if (!empty(p.peks[i]))
            fail(path, "frame beyond the pen's buttons");
    }
    if (m.pen.btnNum != t.pekNum)
        fail("pen.btnNum", "differs from tablet.pekNum");
}

bool bound(const ZvEkey& e) {
    return !zvj::all_zero(&e, sizeof e);
}

void check_binding(const ZvEkey& e, const ZvTabletCfg* t, const std::string& path) {
    if ((e.funcBit & ZVEF_KBTN) && e.kbtn.len == 0)
        fail(path + ".keys", "a key action needs at least one key");
    if ((e.funcBit & ZVEF_SWITCH_MEK_FUNC) && t != nullptr && e.mekIndex >= t->mekNum)
        fail(path + ".mek", "the tablet has no such control");
}

template <size_t N>
void check_bindings(const ZvEkey (&keys)[N], size_t count, const ZvTabletCfg* t,
                    const std::string& path) {
    for (size_t i = 0; i < N; ++i) {
        const std::string at = index_path(path, i);
        if (i >= count && bound(keys[i]))
            fail(at, "bound, but the tablet has no such key");
        check_binding(keys[i], t, at);
    }
}

void check_template(const ModelEntry& m) {
    const ZvTabletCfg* t = m.generic ? nullptr : &m.tablet;
    const ZvAppUserCfg& a = m.user.app0;
    const std::string app = "user.app0";
    check_bindings(a.heks, t ? size_t(t->hekNum) : size_t(ZV_MAX_HEK), t, app + ".heks");
    check_bindings(a.theks, t ? size_t(t->bTHkey ? t->hekNum : 0) : size_t(ZV_MAX_HEK), t,
                   app + ".theks");
    check_bindings(a.seks, t ? size_t(t->sekNum) : size_t(0), t, app + ".seks");
    check_bindings(a.peks, t ? size_t(t->pekNum + 1) : size_t(ZV_MAX_PEK), t, app + ".peks");
    for (size_t c = 0; c < ZV_MAX_MEK; ++c) {
        const ZvMEkey& mek = a.meks[c];
        const std::string path = index_path(app + ".meks", c);
        const size_t sets = t ? size_t(c < t->mekNum ? t->mekMuxNum[c] : 0) : size_t(ZV_MAX_MUX);
        const size_t positions = t ? size_t(t->mekEkeyNum[c]) : size_t(ZV_MEK_EKEYS);
        if (mek.muxIndex != 0 && mek.muxIndex >= sets)
            fail(path + ".muxIndex", "the control has no such function set");
        for (size_t s = 0; s < ZV_MAX_MUX; ++s) {
            const std::string spath = index_path(path + ".sets", s);
            check_bindings(mek.mekEkeys[s].eks, s < sets ? positions : 0, t, spath);
        }
    }
}

// The settings application writes a binding a second time for the partner of a mirrored key or
// control, so the partner must exist, and the picture must show it on the other side.
ZvRect mirrored(const ZvRect& r, th_i32 width) {
    return ZvRect{width - r.right, r.top, width - r.left, r.bottom};
}

void check_mirror_pair(const ZvRect& a, const ZvRect& b, th_i32 width, const std::string& path) {
    const ZvRect want = mirrored(a, width);
    if (memcmp(&want, &b, sizeof b) != 0)
        fail(path, rect_text(b) + " is not the mirror image " + rect_text(want));
}

void check_mirrors(const ModelEntry& m) {
    const ZvTabletCfg& t = m.tablet;
    const th_i32 width = m.layout.size.cx;
    for (size_t i = 0; i < m.quirks.size(); ++i) {
        const Quirk q = m.quirks[i];
        const std::string path = index_path("quirks", i);
        if (q == Quirk::MirrorKeys20 || q == Quirk::MirrorKeys16) {
            const size_t half = q == Quirk::MirrorKeys20 ? 10 : 8;
            if (m.generic || size_t(t.hekNum) != 2 * half)
                fail(path, std::string(quirk_name(q)) + " needs exactly " +
                               std::to_string(2 * half) + " express keys");
            for (size_t k = 0; k < half; ++k)
                check_mirror_pair(m.layout.heks[k], m.layout.heks[k + half], width,
                                  index_path("layout.heks", k + half));
        } else if (q == Quirk::MirrorDials) {
            if (m.generic || t.mekNum != 2 || t.mekFuncBit[0] != ZV_MEK_DIAL ||
                t.mekFuncBit[1] != ZV_MEK_DIAL)
                fail(path, "mirror-dials needs exactly two controls, both dials");
            check_mirror_pair(m.layout.meks[0].rect, m.layout.meks[1].rect, width,
                              "layout.meks[1].rect");
        }
    }
}

} // namespace

void check_model(const ModelEntry& m) {
    if (!m.generic) {
        check_tablet(m);
        check_layout(m);
    }
    check_template(m);
    check_mirrors(m);
}

} // namespace zvm
