#include "imaging/ui/CaptionBase.h"

#include "base/AtomicFile.h"
#include "base/FileName.h"

#include <QCryptographicHash>
#include <QFile>

#include <utility>

namespace ui {

namespace {

QByteArray FileSum(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        return {};
    return hash.result().toHex();
}

// Copies from over to, atomically: to is either as it was or a whole copy.
base::Status CopyOver(const QString& from, const QString& to) {
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly))
        return base::Fail("cannot read " + base::EncodeFileName(from));
    const QByteArray bytes = source.readAll();
    base::AtomicFile out(base::EncodeFileName(to));
    if (auto opened = out.Open(); !opened)
        return opened;
    if (auto written = out.Write(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        !written)
        return written;
    return out.Commit();
}

} // namespace

CaptionBase::CaptionBase(std::string workFile) : workFile_(std::move(workFile)) {}

QString CaptionBase::CopyPath() const {
    return base::DecodeFileName(workFile_ + ".uncaptioned");
}

QString CaptionBase::ListPath() const {
    return base::DecodeFileName(workFile_ + ".uncaptioned.sums");
}

QByteArray CaptionBase::PictureSum() const {
    return FileSum(base::DecodeFileName(workFile_));
}

bool CaptionBase::StandsForPicture() const {
    if (!QFile::exists(CopyPath()))
        return false;
    const QByteArray sum = PictureSum();
    if (sum.isEmpty())
        return false;
    if (sum == FileSum(CopyPath()))
        return true;
    QFile list(ListPath());
    if (!list.open(QIODevice::ReadOnly))
        return false;
    return list.readAll().split('\n').contains(sum);
}

base::Status CaptionBase::Prepare() {
    if (StandsForPicture())
        return CopyOver(CopyPath(), base::DecodeFileName(workFile_));
    Drop();
    return CopyOver(base::DecodeFileName(workFile_), CopyPath());
}

void CaptionBase::Remember() {
    const QByteArray sum = PictureSum();
    QFile list(ListPath());
    if (!sum.isEmpty() && list.open(QIODevice::Append))
        list.write(sum + '\n');
}

base::Result<bool> CaptionBase::Restore() {
    if (!StandsForPicture())
        return false;
    if (auto copied = CopyOver(CopyPath(), base::DecodeFileName(workFile_)); !copied)
        return base::Fail(copied.error());
    Drop();
    return true;
}

void CaptionBase::Drop() {
    QFile::remove(CopyPath());
    QFile::remove(ListPath());
}

} // namespace ui
