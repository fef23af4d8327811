#include "project/CaptionBases.h"

#include "base/AtomicFile.h"
#include "base/FileName.h"
#include "project/Import.h"

#include <QCryptographicHash>
#include <QFile>

#include <algorithm>

namespace project {

namespace {

std::string FileSum(const std::string& path) {
    QFile file(base::DecodeFileName(path));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        return {};
    return hash.result().toHex().toStdString();
}

// Copies from over to, atomically: to is either as it was or a whole copy.
base::Status CopyOver(const std::string& from, const std::string& to) {
    QFile source(base::DecodeFileName(from));
    if (!source.open(QIODevice::ReadOnly))
        return base::Fail("cannot read " + from + ": " + source.errorString().toStdString());
    const QByteArray bytes = source.readAll();
    base::AtomicFile out(to);
    if (auto opened = out.Open(); !opened)
        return opened;
    if (auto written = out.Write(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        !written)
        return written;
    return out.Commit();
}

} // namespace

bool CaptionBases::StandsFor(const std::string& workFile) const {
    const auto it = kept_.find(workFile);
    if (it == kept_.end() || !it->second.Copy.Holds())
        return false;
    const std::string sum = FileSum(workFile);
    if (sum.empty())
        return false;
    if (sum == FileSum(it->second.Copy.Path()))
        return true;
    const auto& drawn = it->second.Drawn;
    return std::find(drawn.begin(), drawn.end(), sum) != drawn.end();
}

std::string CaptionBases::CopyFor(const std::string& workFile) const {
    return StandsFor(workFile) ? kept_.at(workFile).Copy.Path() : std::string();
}

base::Status CaptionBases::Prepare(const std::string& workFile) {
    if (StandsFor(workFile))
        return CopyOver(kept_[workFile].Copy.Path(), workFile);
    kept_.erase(workFile);
    if (folder_.empty())
        return base::Fail("no folder to keep the picture without its caption in");
    Kept kept;
    kept.Copy = ParkedFile(folder_, ParkedFile::UniqueName(ExtensionOf(workFile)));
    if (auto copied = kept.Copy.CopyIn(workFile); !copied)
        return copied;
    kept_.emplace(workFile, std::move(kept));
    return {};
}

void CaptionBases::Remember(const std::string& workFile) {
    const auto it = kept_.find(workFile);
    if (it == kept_.end())
        return;
    if (std::string sum = FileSum(workFile); !sum.empty())
        it->second.Drawn.push_back(std::move(sum));
}

base::Result<bool> CaptionBases::Restore(const std::string& workFile) {
    if (!StandsFor(workFile))
        return false;
    if (auto copied = CopyOver(kept_[workFile].Copy.Path(), workFile); !copied)
        return base::Fail(copied.error());
    kept_.erase(workFile);
    return true;
}

} // namespace project
