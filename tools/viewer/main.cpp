// d3dview: shows what the Direct3D driver draws, in a window or headless.
#include "options.h"
#include "viewer.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
    const viewer::ParseResult parsed = viewer::parseOptions(args);
    if (!parsed.ok()) {
        std::cerr << "d3dview: " << parsed.error << "\n";
        return 2;
    }
    return viewer::run(parsed.options, std::cout, std::cerr);
}
