// The text form of a scenario: one statement a line, '#' comments, "device" and "script" blocks
// closed by "end". README.md is the reference.
#include "SimScenario.h"

#include <fstream>
#include <set>
#include <sstream>
#include <stdlib.h>

namespace tabletsim {

namespace {

struct Token {
    std::string text;
    bool quoted = false;
};

bool tokenize(const std::string& line, std::vector<Token>* out, std::string* err) {
    size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
            continue;
        }
        if (c == '#')
            break;
        Token t;
        if (c == '"') {
            t.quoted = true;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                char d = line[i++];
                if (d == '"') {
                    closed = true;
                    break;
                }
                if (d == '\\' && i < line.size())
                    d = line[i++];
                t.text += d;
            }
            if (!closed) {
                *err = "unterminated string";
                return false;
            }
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' &&
                   line[i] != '#')
                t.text += line[i++];
        }
        out->push_back(t);
    }
    return true;
}

// The words of one statement, consumed from the front.
class Args {
public:
    explicit Args(std::vector<Token> t) : _t(std::move(t)) {}
    bool empty() const { return _i >= _t.size(); }
    const Token* peek() const { return empty() ? nullptr : &_t[_i]; }
    const Token* next() { return empty() ? nullptr : &_t[_i++]; }
    bool take(const char* word) {
        if (empty() || _t[_i].quoted || _t[_i].text != word)
            return false;
        ++_i;
        return true;
    }

private:
    std::vector<Token> _t;
    size_t _i = 0;
};

class Parser {
public:
    explicit Parser(Scenario* out) : _out(out) {}
    bool run(const std::string& text, std::string* error);

private:
    bool fail(const std::string& what) {
        _err = what;
        return false;
    }
    bool integer(Args& a, const char* what, long long min, long long max, long long* v);
    bool duration(Args& a, int64_t* us);
    bool text(Args& a, const char* what, std::string* s);
    bool byteList(Args& a, Bytes* out);
    bool penOptions(Args& a, PenSample* p);
    bool strokeOptions(Args& a, Stroke* s);
    bool statement(Args& a);
    bool deviceStatement(const std::string& word, Args& a);
    bool featureStatement(Args& a);
    bool scriptStatement(const std::string& word, Args& a);
    bool endDevice();
    void emit(Bytes report) {
        _script.steps.push_back({Step::Kind::Report, _cursor, std::move(report)});
    }

    enum class Block { None, Device, Script };
    Scenario* _out;
    std::string _err;
    Block _block = Block::None;
    SimDevice _dev;
    std::string _basePath;
    std::set<int> _noString;
    Script _script;
    int64_t _cursor = 0;
};

bool Parser::integer(Args& a, const char* what, long long min, long long max, long long* v) {
    const Token* t = a.next();
    if (t == nullptr || t->quoted)
        return fail(std::string("expected ") + what);
    char* end = nullptr;
    const long long n = strtoll(t->text.c_str(), &end, 0);
    if (t->text.empty() || *end != '\0')
        return fail(std::string("bad ") + what + " '" + t->text + "'");
    if (n < min || n > max)
        return fail(std::string(what) + " out of range: " + t->text);
    *v = n;
    return true;
}

bool Parser::duration(Args& a, int64_t* us) {
    const Token* t = a.next();
    if (t == nullptr || t->quoted)
        return fail("expected a duration");
    char* end = nullptr;
    const long long n = strtoll(t->text.c_str(), &end, 10);
    const std::string unit(end);
    long long scale = 1000;
    if (unit == "us")
        scale = 1;
    else if (unit == "s")
        scale = 1000000;
    else if (!unit.empty() && unit != "ms")
        return fail("bad duration '" + t->text + "' (us, ms or s)");
    if (end == t->text.c_str() || n < 0 || n > 3600LL * 1000000)
        return fail("bad duration '" + t->text + "'");
    *us = n * scale;
    return true;
}

bool Parser::text(Args& a, const char* what, std::string* s) {
    const Token* t = a.next();
    if (t == nullptr)
        return fail(std::string("expected ") + what);
    *s = t->text;
    return true;
}

bool Parser::byteList(Args& a, Bytes* out) {
    while (!a.empty() && !a.peek()->quoted && a.peek()->text != "length") {
        const Token* t = a.next();
        char* end = nullptr;
        const unsigned long v = strtoul(t->text.c_str(), &end, 16);
        if (t->text.empty() || *end != '\0' || v > 0xFF)
            return fail("bad byte '" + t->text + "' (hex)");
        out->push_back(uint8_t(v));
    }
    if (out->empty())
        return fail("expected bytes");
    return true;
}

bool Parser::penOptions(Args& a, PenSample* p) {
    long long v = 0;
    while (!a.empty()) {
        if (a.take("tilt")) {
            if (!integer(a, "tilt x", -128, 255, &v))
                return false;
            p->tiltX = int8_t(v);
            if (!integer(a, "tilt y", -128, 255, &v))
                return false;
            p->tiltY = int8_t(v);
        } else if (a.take("below")) {
            p->below = true;
        } else if (a.take("above")) {
            p->above = true;
        } else {
            return fail("unexpected '" + a.peek()->text + "'");
        }
    }
    return true;
}

bool Parser::strokeOptions(Args& a, Stroke* s) {
    long long v = 0, w = 0;
    while (!a.empty()) {
        if (a.take("samples")) {
            if (!integer(a, "samples", 1, 1000000, &v))
                return false;
            s->samples = int(v);
        } else if (a.take("rate")) {
            if (!integer(a, "rate", 1, 100000, &v))
                return false;
            s->rateHz = double(v);
        } else if (a.take("pressure")) {
            if (!integer(a, "pressure", 0, 65535, &v) || !integer(a, "pressure", 0, 65535, &w))
                return false;
            s->pressureFrom = uint16_t(v);
            s->pressureTo = uint16_t(w);
        } else if (a.take("tilt")) {
            if (!integer(a, "tilt x", -128, 255, &v) || !integer(a, "tilt y", -128, 255, &w))
                return false;
            s->tiltX = int8_t(v);
            s->tiltY = int8_t(w);
        } else {
            return fail("unexpected '" + a.peek()->text + "'");
        }
    }
    return true;
}

bool Parser::run(const std::string& input, std::string* error) {
    std::istringstream in(input);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        std::vector<Token> tokens;
        std::string err;
        bool ok = tokenize(line, &tokens, &err);
        if (ok && !tokens.empty()) {
            Args a(std::move(tokens));
            ok = statement(a);
            err = _err;
        }
        if (!ok) {
            *error = "line " + std::to_string(number) + ": " + err;
            return false;
        }
    }
    if (_block != Block::None) {
        *error = "missing 'end' at end of input";
        return false;
    }
    return true;
}

bool Parser::statement(Args& a) {
    const Token* first = a.next();
    if (first->quoted)
        return fail("a statement starts with a word");
    const std::string word = first->text;
    if (_block == Block::Device)
        return deviceStatement(word, a);
    if (_block == Block::Script)
        return scriptStatement(word, a);

    if (word == "device") {
        std::string name;
        if (!text(a, "a device name", &name))
            return false;
        for (const SimDevice& d : _out->devices)
            if (d.name == name)
                return fail("device '" + name + "' defined twice");
        _dev = SimDevice();
        _dev.name = name;
        _basePath = "1-" + std::to_string(_out->devices.size() + 1) + ":1";
        _noString.clear();
        _block = Block::Device;
        return true;
    }
    if (word == "script") {
        std::string name;
        if (!text(a, "a device name", &name))
            return false;
        _script = Script();
        _cursor = 0;
        size_t d = 0;
        while (d < _out->devices.size() && _out->devices[d].name != name)
            ++d;
        if (d == _out->devices.size())
            return fail("script for unknown device '" + name + "' (define it first)");
        _script.device = d;
        while (!a.empty()) {
            long long v = 0;
            if (a.take("interface")) {
                if (!integer(a, "interface", 0, 255, &v))
                    return false;
                const auto& ifs = _out->devices[d].interfaces;
                size_t i = 0;
                while (i < ifs.size() && ifs[i].number != v)
                    ++i;
                if (i == ifs.size())
                    return fail("device '" + name + "' has no interface " + std::to_string(v));
                _script.interface = i;
            } else if (a.take("start")) {
                if (a.take("open"))
                    _script.start = Script::Start::Open;
                else if (a.take("load"))
                    _script.start = Script::Start::Load;
                else
                    return fail("start is 'open' or 'load'");
            } else {
                return fail("unexpected '" + a.peek()->text + "'");
            }
        }
        _block = Block::Script;
        return true;
    }
    if (word == "hid-init") {
        if (!a.take("fail"))
            return fail("expected 'hid-init fail'");
        _out->initFails = true;
        return true;
    }
    return fail("unknown statement '" + word + "'");
}

bool Parser::endDevice() {
    if (_dev.interfaces.empty())
        _dev.interfaces.push_back(SimInterface());
    for (SimInterface& i : _dev.interfaces)
        if (i.path.empty())
            i.path = _basePath + "." + std::to_string(i.number);
    if (_dev.strings.count(1) == 0 && _noString.count(1) == 0)
        _dev.strings[1] = _dev.product;
    _out->devices.push_back(_dev);
    _block = Block::None;
    return true;
}

bool Parser::deviceStatement(const std::string& word, Args& a) {
    long long v = 0;
    std::string s;
    bool ok = true;
    if (word == "end") {
        return endDevice();
    } else if (word == "vid" || word == "pid" || word == "release") {
        ok = integer(a, word.c_str(), 0, 0xFFFF, &v);
        (word == "vid" ? _dev.vid : word == "pid" ? _dev.pid : _dev.release) = uint16_t(v);
    } else if (word == "path") {
        ok = text(a, "a path", &_basePath);
    } else if (word == "interface") {
        SimInterface i;
        ok = integer(a, "interface", 0, 255, &v);
        i.number = int(v);
        while (ok && !a.empty()) {
            if (a.take("path"))
                ok = text(a, "a path", &i.path);
            else if (a.take("unopenable"))
                i.openable = false;
            else
                ok = fail("unexpected '" + a.peek()->text + "'");
        }
        for (const SimInterface& other : _dev.interfaces)
            if (ok && other.number == i.number)
                ok = fail("interface " + std::to_string(v) + " defined twice");
        _dev.interfaces.push_back(i);
    } else if (word == "manufacturer" || word == "product" || word == "serial") {
        const Token* t = a.peek();
        if (word == "manufacturer" && t != nullptr && !t->quoted && t->text == "none") {
            a.next();
            _dev.hasManufacturer = false;
        } else if ((ok = text(a, "a string", &s))) {
            std::wstring w = widen(s);
            (word == "manufacturer" ? _dev.manufacturer
             : word == "product"    ? _dev.product
                                    : _dev.serial) = w;
            _dev.hasManufacturer = _dev.hasManufacturer || word == "manufacturer";
        }
    } else if (word == "string") {
        ok = integer(a, "string index", 0, 255, &v);
        if (ok && a.take("none")) {
            _noString.insert(int(v));
            _dev.strings.erase(int(v));
        } else if (ok && (ok = text(a, "a string", &s))) {
            _dev.strings[int(v)] = widen(s);
        }
    } else if (word == "feature") {
        ok = featureStatement(a);
    } else if (word == "feature-timeout") {
        ok = duration(a, &_dev.featureTimeoutUs);
    } else if (word == "unplugged") {
        _dev.plugged = false;
    } else {
        return fail("unknown device statement '" + word + "'");
    }
    if (ok && !a.empty())
        return fail("unexpected '" + a.peek()->text + "'");
    return ok;
}

bool Parser::featureStatement(Args& a) {
    long long id = 0, v = 0;
    if (!integer(a, "report id", 0, 255, &id))
        return false;
    FeatureAnswer answer;
    Bytes& b = answer.bytes;
    answer.kind = FeatureAnswer::Kind::Bytes;
    if (a.take("silent")) {
        answer.kind = FeatureAnswer::Kind::Silent;
    } else if (a.take("stall")) {
        answer.kind = FeatureAnswer::Kind::Stall;
    } else if (a.take("bytes")) {
        if (!byteList(a, &b))
            return false;
    } else if (a.take("byte")) {
        if (!integer(a, "byte", 0, 255, &v))
            return false;
        b = {uint8_t(id), 0, uint8_t(v)};
    } else if (a.take("model")) {
        std::string s;
        if (!text(a, "a model name", &s))
            return false;
        b = {uint8_t(id), 0};
        const Bytes units = utf16le(widen(s));
        b.insert(b.end(), units.begin(), units.end());
    } else if (a.take("params")) {
        // Device parameters: 24-bit extents, 16-bit pressure and resolution, key counts, flags.
        Bytes p(15, 0);
        const struct {
            const char* key;
            size_t at;
            size_t width;
        } fields[] = {{"maxx", 0, 3},  {"maxy", 3, 3},  {"maxp", 6, 2},
                      {"lpi", 8, 2},   {"pens", 10, 1}, {"keys", 11, 1},
                      {"soft", 12, 1}, {"b13", 13, 1},  {"flags", 14, 1}};
        while (!a.empty() && a.peek()->text != "length") {
            bool known = false;
            for (const auto& f : fields) {
                if (!a.take(f.key))
                    continue;
                known = true;
                if (!integer(a, f.key, 0, (1LL << (8 * f.width)) - 1, &v))
                    return false;
                for (size_t i = 0; i < f.width; ++i)
                    p[f.at + i] = uint8_t(v >> (8 * i));
            }
            if (!known)
                return fail("unknown parameter '" + a.peek()->text + "'");
        }
        b = {uint8_t(id), 0};
        b.insert(b.end(), p.begin(), p.end());
    } else {
        return fail("feature answer is bytes, byte, model, params, silent or stall");
    }
    if (answer.kind == FeatureAnswer::Kind::Bytes && a.take("length")) {
        if (!integer(a, "length", 1, 4096, &v))
            return false;
        b.resize(size_t(v), 0);
    }
    _dev.features[int(id)] = answer;
    return true;
}

bool Parser::scriptStatement(const std::string& word, Args& a) {
    long long v = 0, w = 0, x = 0, y = 0;
    bool ok = true;
    if (word == "end") {
        _out->scripts.push_back(_script);
        _block = Block::None;
        return true;
    } else if (word == "wait") {
        int64_t us = 0;
        ok = duration(a, &us);
        _cursor += us;
    } else if (word == "report") {
        Bytes b;
        ok = byteList(a, &b);
        if (ok)
            emit(b);
    } else if (word == "pen" || word == "hover") {
        PenSample p;
        ok = integer(a, "x", 0, 0xFFFFFF, &x) && integer(a, "y", 0, 0xFFFFFF, &y);
        if (ok && word == "pen")
            ok = integer(a, "pressure", 0, 65535, &v);
        p.x = int32_t(x);
        p.y = int32_t(y);
        p.pressure = uint16_t(word == "pen" ? v : 0);
        if (ok && (ok = penOptions(a, &p)))
            emit(pen_report(p));
    } else if (word == "line" || word == "circle") {
        Stroke s;
        long long z = 0;
        const bool isLine = word == "line";
        ok = integer(a, "x", 0, 0xFFFFFF, &x) && integer(a, "y", 0, 0xFFFFFF, &y) &&
             (isLine ? integer(a, "x", 0, 0xFFFFFF, &v) && integer(a, "y", 0, 0xFFFFFF, &w)
                     : integer(a, "radius", 0, 0xFFFFFF, &z)) &&
             strokeOptions(a, &s);
        if (ok) {
            const auto reports =
                isLine ? line(int32_t(x), int32_t(y), int32_t(v), int32_t(w), s, _cursor)
                       : circle(int32_t(x), int32_t(y), int32_t(z), s, _cursor);
            for (const TimedReport& r : reports)
                _script.steps.push_back({Step::Kind::Report, r.atUs, r.bytes});
            _cursor = stroke_end(s, _cursor);
        }
    } else if (word == "keys" || word == "touchkeys") {
        ok = integer(a, "key mask", 0, 0xFFFFFFFFLL, &v);
        if (ok)
            emit(keys_report(uint32_t(v), word == "touchkeys"));
    } else if (word == "touch" || word == "slider" || word == "ring") {
        ok = integer(a, word == "touch" ? "touch id" : "position", 0,
                     word == "touch" ? 0xFFFF : 0xFF, &v);
        if (ok && a.take("control"))
            ok = integer(a, "control", 0, 0xFFFF, &w);
        if (ok)
            emit(word == "touch" ? touch_report(uint16_t(v), uint16_t(w))
                                 : slider_report(uint8_t(v), uint16_t(w)));
    } else if (word == "dial") {
        w = 1;
        ok = integer(a, "step", 0, 0xFF, &v);
        if (ok && a.take("number"))
            ok = integer(a, "dial number", 1, 0xFF, &w);
        if (ok)
            emit(dial_report(uint8_t(v), uint8_t(w)));
    } else if (word == "unplug" || word == "plug" || word == "read-error") {
        const Step::Kind kind = word == "unplug" ? Step::Kind::Unplug
                                : word == "plug" ? Step::Kind::Plug
                                                 : Step::Kind::ReadError;
        _script.steps.push_back({kind, _cursor, {}});
    } else {
        return fail("unknown script statement '" + word + "'");
    }
    if (ok && !a.empty())
        return fail("unexpected '" + a.peek()->text + "'");
    return ok;
}

} // namespace

bool parse_scenario(const std::string& text, Scenario* out, std::string* error) {
    Scenario parsed;
    Parser parser(&parsed);
    if (!parser.run(text, error))
        return false;
    *out = std::move(parsed);
    return true;
}

bool load_scenario_file(const std::string& path, Scenario* out, std::string* error) {
    std::ifstream in(path);
    if (!in) {
        *error = "cannot read " + path;
        return false;
    }
    std::stringstream all;
    all << in.rdbuf();
    if (!parse_scenario(all.str(), out, error)) {
        *error = path + ": " + *error;
        return false;
    }
    return true;
}

} // namespace tabletsim
