#include "app/LinkAddresses.h"

namespace ui {

QString LinkAddress(int number, const QString& siteUrl, const QString& title) {
    // Each format may use the site address (%1) and the program title (%2): the program's own
    // page first, then reading on slide shows, photography, free photos, the video format and
    // the disc format the program writes.
    static const char* const kFormats[6] = {
        "%1",
        "https://en.wikipedia.org/wiki/Slide_show",
        "https://en.wikipedia.org/wiki/Photography",
        "https://commons.wikimedia.org/wiki/Main_Page",
        "https://en.wikipedia.org/wiki/Audio_Video_Interleave",
        "https://en.wikipedia.org/wiki/ISO_9660",
    };
    if (number < 6 || number > 11)
        return QString();
    // Substituted in one pass, so a "%2" inside the site address stays as it is.
    const QString format = QString::fromLatin1(kFormats[number - 6]);
    QString address;
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() &&
            (format[i + 1] == '1' || format[i + 1] == '2')) {
            address += format[i + 1] == '1' ? siteUrl : title;
            ++i;
        } else {
            address += format[i];
        }
    }
    return address;
}

} // namespace ui
