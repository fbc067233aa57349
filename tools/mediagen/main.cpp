// mediagen --out DIR [--testdata DIR]: writes the program's media tree.
#include <cstdio>
#include <cstring>
#include <string>

#include "MediaGenerator.h"

int main(int argc, char** argv) {
    std::string szOut, szTestData;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc) {
            szOut = argv[++i];
        } else if (std::strcmp(argv[i], "--testdata") == 0 && i + 1 < argc) {
            szTestData = argv[++i];
        } else {
            std::fprintf(stderr, "usage: mediagen --out DIR [--testdata DIR]\n");
            return 2;
        }
    }
    if (szOut.empty()) {
        std::fprintf(stderr, "usage: mediagen --out DIR [--testdata DIR]\n");
        return 2;
    }
    MediaGenerator generator;
    if (!generator.Generate(szOut, szTestData)) {
        std::fprintf(stderr, "mediagen: %s\n", generator.Error().c_str());
        return 1;
    }
    std::fputs(generator.Report().c_str(), stdout);
    return 0;
}
