// Writes the HTML help: each hand-written page (NAME.html.in) with the parts
// generated from the program's own tables filled in at its markers.
//   make-help <source folder> <output folder> <page name>...
#include <cstdio>
#include <string>

#include "app/HelpPages.h"
#include "platform/Files.h"
#include "platform/Paths.h"

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: make-help <source folder> <output folder> <page name>...\n");
        return 2;
    }
    const std::string source = argv[1];
    const std::string output = argv[2];
    vellumo::MakeFolder(output);
    const auto parts = vellumo::HelpParts();
    for (int i = 3; i < argc; ++i) {
        const std::string name = argv[i];
        auto page = vellumo::ReadWholeFile(vellumo::JoinPath(source, name + ".in"));
        if (!page) {
            std::fprintf(stderr, "make-help: cannot read %s.in\n", name.c_str());
            return 1;
        }
        std::string missing;
        if (!vellumo::FillHelpPage(*page, parts, &missing)) {
            std::fprintf(stderr, "make-help: %s names an unknown part \"%s\"\n", name.c_str(), missing.c_str());
            return 1;
        }
        if (!vellumo::WriteFileAtomically(vellumo::JoinPath(output, name), *page)) {
            std::fprintf(stderr, "make-help: cannot write %s\n", name.c_str());
            return 1;
        }
    }
    return 0;
}
