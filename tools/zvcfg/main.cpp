// zvcfg: the configuration inspector, for bug reports and editing by hand.
//
//   zvcfg print <file> [--as KIND]   any configuration file as JSON on standard output
//   zvcfg write <json> <file>         a per-model file (or exported profile) from such JSON
//
// KIND: tablet.cfg, pen.cfg, layout_tablet.cfg, layout_pen.cfg, user.cfg, user-config, profile.
#include "CfgDocument.h"
#include "ZvLog.h"

#include <fstream>
#include <iostream>
#include <stdio.h>

namespace {

// The store logs on standard output by default; the JSON goes there, so its lines go to
// standard error, and only those that tell of trouble.
void to_stderr(int level, const char* format, va_list args) {
    if (level <= ZV_LL_WARN) {
        vfprintf(stderr, format, args);
        fputc('\n', stderr);
    }
}

int usage() {
    std::cerr << "usage: zvcfg print <file> [--as KIND]\n"
                 "       zvcfg write <json> <file>\n"
                 "KIND: tablet.cfg pen.cfg layout_tablet.cfg layout_pen.cfg user.cfg "
                 "user-config profile\n";
    return 2;
}

int print(int argc, char** argv) {
    if (argc != 3 && !(argc == 5 && std::string(argv[3]) == "--as"))
        return usage();
    zvcfg::FileKind kind;
    std::string error;
    if (argc == 5 ? !zvcfg::kind_from_name(argv[4], kind)
                  : !zvcfg::guess_kind(argv[2], kind, error)) {
        std::cerr << "zvcfg: " << (error.empty() ? std::string("unknown kind ") + argv[4] : error)
                  << "\n";
        return 1;
    }
    Json::Value doc;
    if (!zvcfg::print_document(argv[2], kind, doc, error)) {
        std::cerr << "zvcfg: " << error << "\n";
        return 1;
    }
    Json::StreamWriterBuilder w;
    w["indentation"] = "  ";
    std::cout << Json::writeString(w, doc) << "\n";
    return 0;
}

int write(int argc, char** argv) {
    if (argc != 4)
        return usage();
    std::ifstream in(argv[2], std::ios::binary);
    Json::CharReaderBuilder r;
    Json::CharReaderBuilder::strictMode(&r.settings_);
    Json::Value doc;
    std::string error;
    if (!in || !Json::parseFromStream(r, in, &doc, &error)) {
        std::cerr << "zvcfg: " << argv[2] << ": not valid JSON " << error << "\n";
        return 1;
    }
    if (!zvcfg::write_document(doc, argv[3], error)) {
        std::cerr << "zvcfg: " << argv[2] << ": " << error << "\n";
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    zv_set_log_handler(&to_stderr);
    if (argc >= 2 && std::string(argv[1]) == "print")
        return print(argc, argv);
    if (argc >= 2 && std::string(argv[1]) == "write")
        return write(argc, argv);
    return usage();
}
