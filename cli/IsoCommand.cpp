#include "cli/IsoCommand.h"
#include "cli/Failure.h"

#include "base/FileName.h"
#include "cli/ConsoleProgress.h"
#include "cli/DiscInputs.h"
#include "cli/Interrupt.h"
#include "disc/iso/IsoImageBuilder.h"
#include "disc/iso/IsoImageFile.h"
#include "disc/iso/IsoNames.h"

#include <QFile>

#include <cstdio>
#include <string>

#include <sys/stat.h>

namespace cli {

int RunIso(const QStringList& args) {
    QString out;
    QString label;
    bool longNames = false;
    QStringList inputs;
    for (int i = 2; i < args.size(); ++i) {
        const QString a = args[i];
        if (a == "--label") {
            if (i + 1 >= args.size())
                return Fail("--label needs a text");
            label = args[++i];
        } else if (a == "--long-names") {
            longNames = true;
        } else if (a.startsWith("--")) {
            return Fail("unknown option " + a.toStdString());
        } else if (out.isEmpty()) {
            out = a;
        } else {
            inputs << a;
        }
    }
    if (out.isEmpty() || inputs.isEmpty())
        return Fail("usage: iso OUT.iso FILE_OR_FOLDER... [--label TEXT] [--long-names]");

    IgnoreFileSizeLimitSignal();
    disc::IsoImageBuilder builder;
    builder.Ids.Volume = label;
    builder.WritePostGap = false; // an image file needs no run-out for a recorder
    builder.JolietNameUnits = longNames ? disc::kJolietLongNameUnits : disc::kJolietNameUnits;
    ReportBuilderMessages(builder);
    if (auto added = AddInputs(builder, inputs, "the image"); !added)
        return Fail(added.error());
    builder.ComputeLayout(0);
    if (auto headed = builder.BuildHeader(); !headed)
        return Fail(headed.error());
    ConsoleProgress progress("iso");
    progress.Open();
    const auto written = disc::WriteImageFile(builder, base::EncodeFileName(out), progress);
    progress.Close();
    if (!written)
        return Fail(written.error());
    return 0;
}

} // namespace cli
