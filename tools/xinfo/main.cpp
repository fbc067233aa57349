// xinfo FILE: prints what the model loaders see in an X file as one JSON
// object; a file that cannot be read prints the error's name and exits with 1.
#include <cstdio>
#include <string>

#include "XInfo.h"
#include "framework/HResultNames.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: xinfo FILE.x\n");
        return 2;
    }
    XInfo info;
    std::string json, szWhere;
    const HRESULT hr = info.Describe(argv[1], json, szWhere);
    if (FAILED(hr)) {
        if (szWhere.empty()) {
            std::fprintf(stderr, "%s\n", HResultName(hr));
        } else {
            std::fprintf(stderr, "%s (mesh \"%s\")\n", HResultName(hr), szWhere.c_str());
        }
        return 1;
    }
    std::printf("%s\n", json.c_str());
    return 0;
}
