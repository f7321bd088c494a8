#pragma once
// Shared helpers of the configuration tests: a temporary program folder with
// files in it, and a program location inside it.
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "config/ProgramLocation.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/TextCodec.h"

namespace vellumo::testing {

struct TempFolder {
    std::string path;
    TempFolder() {
        char tmpl[] = "/tmp/vellumo-config-XXXXXX";
        path = mkdtemp(tmpl);
        SetLegacyCodePage("CP1252");  // as before any language is loaded
    }
    ~TempFolder() {
        std::system(("chmod -R u+w '" + path + "' 2>/dev/null; rm -rf '" + path + "'").c_str());
        SetLegacyCodePage("CP1252");
    }
    std::string sub(const std::string& relative) const { return JoinPath(path, relative); }
    std::string write(const std::string& relative, const std::string& content) const {
        std::string p = sub(relative);
        MakeFolder(ParentPath(p));
        std::ofstream(p, std::ios::binary) << content;
        return p;
    }
    std::string folder(const std::string& relative) const {
        std::string p = sub(relative);
        MakeFolder(p);
        return p;
    }
    std::string read(const std::string& relative) const { return ReadWholeFile(sub(relative)).value_or("<missing>"); }
    // A program "vellumo" whose folder is this temporary folder, on the drive "/".
    ProgramLocation program() const {
        return ProgramLocation::FromExecutable(JoinPath(path, "vellumo"), {Drive{"/", DriveType::Fixed, "ext4"}});
    }
};

}  // namespace vellumo::testing
