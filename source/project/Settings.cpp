#include "project/Settings.h"

#include <QSettings>

namespace project {

namespace {

// The store as the current user sees it; "accessible" means it can be read and written.
bool Accessible(const QSettings& store) {
    return store.status() == QSettings::NoError && store.isWritable();
}

QString Value(const QSettings& store, const char* name) {
    const QVariant v = store.value(QString::fromLatin1(name));
    return v.canConvert<QString>() ? v.toString() : QString();
}

} // namespace

std::optional<StoredSettings> ReadSettings() {
    QSettings store(QSettings::NativeFormat, QSettings::UserScope,
                    QString::fromLatin1(kSettingsOrganization),
                    QString::fromLatin1(kSettingsApplication));
    if (!Accessible(store))
        return std::nullopt;
    StoredSettings s;
    s.Language = Value(store, "Language");
    s.Resolution = Value(store, "Resolution");
    s.SiteURL = Value(store, "SiteURL");
    return s;
}

bool WriteSettings(const QString& language, const QString& resolution) {
    QSettings store(QSettings::NativeFormat, QSettings::UserScope,
                    QString::fromLatin1(kSettingsOrganization),
                    QString::fromLatin1(kSettingsApplication));
    if (!Accessible(store))
        return false;
    store.setValue(QStringLiteral("Language"), language);
    store.setValue(QStringLiteral("Resolution"), resolution);
    store.sync();
    return store.status() == QSettings::NoError;
}

QStringList ReadRecentShows() {
    QSettings store(QSettings::NativeFormat, QSettings::UserScope,
                    QString::fromLatin1(kSettingsOrganization),
                    QString::fromLatin1(kSettingsApplication));
    if (!Accessible(store))
        return {};
    // One path is stored as a plain text, several as a list; a value that is not text counts as
    // no list.
    const QVariant v = store.value(QStringLiteral("RecentShows"));
    QStringList paths = v.typeId() == QMetaType::QStringList ? v.toStringList()
                        : v.canConvert<QString>()            ? QStringList{v.toString()}
                                                             : QStringList();
    paths.removeAll(QString());
    return paths;
}

bool WriteRecentShows(const QStringList& paths) {
    QSettings store(QSettings::NativeFormat, QSettings::UserScope,
                    QString::fromLatin1(kSettingsOrganization),
                    QString::fromLatin1(kSettingsApplication));
    if (!Accessible(store))
        return false;
    store.setValue(QStringLiteral("RecentShows"), QVariant(paths));
    store.sync();
    return store.status() == QSettings::NoError;
}

QVariant ReadSetting(const QString& name) {
    QSettings store(QSettings::NativeFormat, QSettings::UserScope,
                    QString::fromLatin1(kSettingsOrganization),
                    QString::fromLatin1(kSettingsApplication));
    return Accessible(store) ? store.value(name) : QVariant();
}

bool WriteSetting(const QString& name, const QVariant& value) {
    QSettings store(QSettings::NativeFormat, QSettings::UserScope,
                    QString::fromLatin1(kSettingsOrganization),
                    QString::fromLatin1(kSettingsApplication));
    if (!Accessible(store))
        return false;
    store.setValue(name, value);
    store.sync();
    return store.status() == QSettings::NoError;
}

} // namespace project
