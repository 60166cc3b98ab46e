// catalog-pack: packs data files into a catalog the client reads, with the
// same writer the tests use.
//
//   catalog-pack <index file> [--container NAME] FILE... [--container NAME] FILE...
//
// Each FILE becomes the member "/vornix/composesource/" + its file name (in
// lower case) in the container named before it ("data1.bin" unless given);
// containers are written beside the index.
#include "CatalogWriter.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: catalog-pack <index file> [--container NAME] FILE...\n");
        return 2;
    }
    CatalogWriter writer;
    std::string container = "data1.bin";
    int members = 0;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--container") {
            if (++i >= argc) {
                std::fprintf(stderr, "catalog-pack: --container needs a name\n");
                return 2;
            }
            container = argv[i];
            continue;
        }
        std::ifstream in(arg, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "catalog-pack: cannot read %s\n", arg.c_str());
            return 1;
        }
        std::ostringstream bytes;
        bytes << in.rdbuf();
        const size_t slash = arg.find_last_of('/');
        writer.AddMember(ComposeSourceKey(slash == std::string::npos ? arg : arg.substr(slash + 1)), bytes.str(),
                         container);
        ++members;
    }
    if (!writer.Write(argv[1])) {
        std::fprintf(stderr, "catalog-pack: cannot write %s\n", argv[1]);
        return 1;
    }
    std::printf("catalog-pack: %d members into %s\n", members, argv[1]);
    return 0;
}
