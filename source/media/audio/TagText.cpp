#include "media/audio/TagText.h"

#include "base/CodePage.h"

#include <QString>
#include <QStringDecoder>

namespace media {

std::string Utf8Text(std::string_view bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    (void)decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (decoder.hasError())
        return CodePageText(bytes);
    return std::string(bytes);
}

std::string CodePageText(std::string_view bytes) {
    return base::FromCp1251(bytes).toStdString();
}

std::string Utf16Text(const std::uint8_t* data, std::size_t size, bool bigEndian) {
    std::size_t i = 0;
    if (size >= 2 &&
        ((data[0] == 0xFF && data[1] == 0xFE) || (data[0] == 0xFE && data[1] == 0xFF))) {
        bigEndian = data[0] == 0xFE;
        i = 2;
    }
    QString text;
    for (; i + 1 < size; i += 2) {
        const char16_t unit = bigEndian ? static_cast<char16_t>((data[i] << 8) | data[i + 1])
                                        : static_cast<char16_t>((data[i + 1] << 8) | data[i]);
        if (unit == 0)
            break;
        text.append(QChar(unit));
    }
    return text.toStdString();
}

} // namespace media
