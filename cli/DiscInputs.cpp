#include "cli/DiscInputs.h"

#include "base/FileName.h"

#include <cstdio>
#include <sys/stat.h>

namespace cli {

void ReportBuilderMessages(disc::IsoImageBuilder& builder) {
    builder.OnMessage = [](const std::string& text, disc::MessageKind kind) {
        if (kind != disc::MessageKind::Info)
            std::fprintf(stderr, "reelpane-cli: %s\n", text.c_str());
    };
}

base::Status AddInputs(disc::IsoImageBuilder& builder, const QStringList& inputs,
                       const char* where) {
    for (const QString& input : inputs) {
        const std::string path = base::EncodeFileName(input);
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0)
            return base::Fail("not found: " + path);
        if (S_ISDIR(st.st_mode)) {
            if (auto added = builder.InsertTree(builder.Root(), path); !added)
                return base::Fail(added.error());
        } else if (builder.AddFile(builder.Root(), path) != disc::InsertResult::Added) {
            return base::Fail("cannot add \"" + path + "\" to " + where);
        }
    }
    return {};
}

} // namespace cli
